#include "Keep.h"

#include <string.h>
#include <windows.h>

#include "FileCalls.h"
#include "FileData.h"
#include "FileReplace.h"
#include "Handles.h"
#include "Identity.h"
#include "Journal.h"
#include "PathGate.h"
#include "Shell.h"
#include "foundation/Messages.h"
#include "foundation/PathText.h"
#include "foundation/RunLog.h"

// Kept names are never probed one by one (under Wine each probe of a
// missing name reads the whole folder): one listing of a folder gives the
// highest number its kept names carry, and the run numbers on from there and
// from its own last number, so no two of its kept names ever meet. The last
// folder listed is remembered; a tree's files come folder by folder.
// The listing also tells whether the folder holds any name that ends in
// ".~upd" alone: the new file of a run cut short.
static WidePath listedFolder;
static unsigned nextNumber = 1;
static bool listedLeftovers;

static int UnitCount(const WCHAR* name) {
    int count = 0;
    while (name[count])
        count++;
    return count;
}

static unsigned NumberOf(const WCHAR* name) {
    if (!IsKeptName(name))
        return 0;
    const WCHAR* digits = name + UnitCount(name);
    while (digits[-1] >= L'0' && digits[-1] <= L'9')
        digits--;
    unsigned number = 0;
    for (; *digits && number < 100000000; digits++)
        number = number * 10 + static_cast<unsigned>(*digits - L'0');
    return number;
}

static WidePath FolderPart(const WidePath& path) { return path.Left(PathPrefixLength(path.Text())); }

static void ListFolder(const WidePath& folder) {
    if (listedFolder.EqualsNoCase(folder) && !listedFolder.IsEmpty())
        return;
    listedLeftovers = false;
    FileSearch search;
    if (search.First(folder + L"*.~upd*")) {
        do {
            unsigned number = NumberOf(search.Name());
            if (number >= nextNumber)
                nextNumber = number + 1;
            listedLeftovers = listedLeftovers || NewFileSuffixCount(search.Name()) > 0;
        } while (search.Next());
    }
    listedFolder = folder;
}

// A name with the suffix that the run itself puts in the listed folder
// (a MOVE onto "x.~upd", a tree that holds one) is there from now on: the
// next new file of "x" meets it, keeps it aside and notes that before the
// new file's own record.
static void NoteOwnSuffix(const WidePath& path) {
    if (NewFileSuffixCount(path.Text() + PathPrefixLength(path.Text())) > 0 &&
        listedFolder.EqualsNoCase(FolderPart(path)))
        listedLeftovers = true;
}

bool MayHoldLeftover(const WidePath& name) {
    ListFolder(FolderPart(name));
    return listedLeftovers;
}

// The path and ".~upd" with a number, or that alone in the path's folder
// where the name would pass what a file system takes.
static bool KeptName(const WidePath& path, WidePath& kept) {
    WidePath folder = FolderPart(path);
    ListFolder(folder);
    char suffix[20];
    wsprintfA(suffix, ".~upd%u", nextNumber++);
    kept = path + Widened(suffix).Text();
    if (!FitsFileSystem(kept))
        kept = folder + Widened(suffix).Text();
    return !kept.IsEmpty() && FitsFileSystem(kept);
}

// Folders' times of last writing, noted before the first change inside
// each (added, not flushed: a time guards no file), so an undo sets them
// back. The last few folders noted are remembered; one met again later is
// noted again, and the undo, newest first, sets its oldest time last.
static WidePath notedFolders[8];
static unsigned notedCount;

static bool NoteFolderTime(const WidePath& path) {
    if (!JournalActive() || path.IsEmpty())
        return true;
    WidePath folder = WideFolderOf(path);
    for (const WidePath& noted : notedFolders)
        if (!folder.IsEmpty() && noted.EqualsNoCase(folder))
            return true;
    FILETIME written;
    if (folder.IsEmpty() || !FolderWriteTime(folder, written))
        return true;
    char high[12], low[12];
    wsprintfA(high, "%X", static_cast<unsigned>(written.dwHighDateTime));
    wsprintfA(low, "%X", static_cast<unsigned>(written.dwLowDateTime));
    if (!AddToJournal(JournalFolderTime, folder, Widened(high), Widened(low)))
        return false;
    notedFolders[notedCount++ % 8] = folder;
    return true;
}

bool NoteFoldersOf(const WidePath& first, const WidePath& second) {
    return NoteFolderTime(first) && NoteFolderTime(second);
}

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// The name as its folder holds it, for the journal: the undo puts an entry
// back under the letters it had, not those of the script or of a source
// tree whose file took its place.
WidePath AsHeld(const WidePath& path) {
    FileSearch search;
    if (NameHasWildcard(path.Text()))
        return path;
    return search.First(path) ? FolderPart(path) + search.Name() : path;
}

// From the end: digits, then ".~upd".
bool IsKeptName(const WCHAR* name) {
    const WCHAR* end = name + UnitCount(name);
    const WCHAR* digits = end;
    while (digits > name && digits[-1] >= L'0' && digits[-1] <= L'9')
        digits--;
    return digits < end && digits - name >= 5 && memcmp(digits - 5, NewFileSuffix, 5 * sizeof(WCHAR)) == 0;
}

static void LogKeep(const WidePath& path, const WidePath& kept) {
    LogLine("  keep \"%s\" as \"%s\"", path.Readable().Text(), kept.Readable().Text());
}

// A folder that holds the current folder would be kept aside, but could not
// be deleted at the commit while this process runs in it: refused instead.
bool KeepAside(const WidePath& path) {
    WidePath kept;
    if (!ChangesNameItself(path))
        return Refuse(ERROR_NOT_SUPPORTED);
    DWORD attributes = AttributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && HoldsCurrentFolder(path))
        return Refuse(ERROR_SHARING_VIOLATION);
    if (!NoteFolderTime(path) || !KeptName(path, kept) || !NoteInJournal(JournalKept, AsHeld(path), kept))
        return false;
    LogKeep(path, kept);
    return MoveFileAt(path, kept, 0);
}

bool NotePut(const WidePath& from, const WidePath& to, WidePath& kept, bool flush, HANDLE* aside) {
    // A file renamed onto its own name (in another letter case) is not kept aside first.
    DWORD attributes = AttributesOf(to);
    bool present = attributes != INVALID_FILE_ATTRIBUTES && !to.EqualsNoCase(from);
    kept = WidePath();
    // A file never takes a folder's place, as the rename without the
    // journal would refuse: kept aside first, the folder would go at the commit.
    if (present && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(ERROR_ACCESS_DENIED);
    // The test for a link tells the name's letters too, mostly: a search of
    // the folder only where it does not.
    WidePath held;
    if (present && IsLinkEntry(to, attributes, &held, aside) && !ReachesLinkItself(to))
        return Refuse(ERROR_NOT_SUPPORTED);
    if (held.IsEmpty())
        held = present ? AsHeld(to) : to;
    if (!NoteFoldersOf(to, from) || (present && !KeptName(to, kept)))
        return false;
    NoteOwnSuffix(to);
    return flush ? NoteInJournal(JournalPut, held, kept, from) : HoldForJournal(JournalPut, held, kept, from);
}

// A kept name that is there already was never the run's: the rename fails
// rather than take it over.
bool SetAside(const WidePath& to, const WidePath& kept, HANDLE opened) {
    if (kept.IsEmpty())
        return true;
    LogKeep(to, kept);
    return opened != INVALID_HANDLE_VALUE ? RenameThrough(opened, kept, false) : MoveFileAt(to, kept, 0);
}

bool KeepForPut(const WidePath& from, const WidePath& to) {
    WidePath kept;
    HANDLE opened = INVALID_HANDLE_VALUE;
    bool noted = NotePut(from, to, kept, true, &opened);
    FileHandle aside(opened);
    return noted && SetAside(to, kept, aside.Get());
}

bool PutNoted(const WidePath& from, const WidePath& to) {
    return KeepForPut(from, to) && MoveFileAt(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool MoveNoted(const WidePath& from, const WidePath& to) {
    NoteOwnSuffix(to);
    return (!JournalActive() || (NoteFoldersOf(from, to) && NoteInJournal(JournalPut, to, WidePath(), from))) &&
           MoveFileAt(from, to, 0);
}

bool NoteCreated(const WidePath& path) {
    return !JournalActive() || (NoteFolderTime(path) && NoteInJournal(JournalCreated, path));
}

bool CreateFolder(const WidePath& path) {
    if (JournalActive() && AttributesOf(path) == INVALID_FILE_ATTRIBUTES &&
        !(NoteFolderTime(path) && NoteInJournal(JournalMadeFolder, path)))
        return false;
    return CreateFolderAt(path);
}

bool RemoveFolder(const WidePath& path) {
    if (!ChangesNameItself(path))
        return Refuse(ERROR_NOT_SUPPORTED);
    return (!JournalActive() || (NoteFolderTime(path) && NoteInJournal(JournalRemovedFolder, AsHeld(path)))) &&
           RemoveFolderAt(path);
}

// A link's attributes are never set: the system would set those of what it
// leads to.
bool SetAttributesNoted(const WidePath& path, unsigned attributes) {
    DWORD old = AttributesOf(path);
    if (IsLinkEntry(path, old))
        return Refuse(ERROR_NOT_SUPPORTED);
    if (JournalActive() && old != INVALID_FILE_ATTRIBUTES) {
        char text[12];
        wsprintfA(text, "%X", static_cast<unsigned>(old));
        if (!NoteInJournal(JournalAttributes, path, Widened(text)))
            return false;
    }
    return SetAttributesOf(path, attributes);
}

bool NoteLaunch(const String& program) {
    if (!JournalActive())
        return true;
    LogLine("  LAUNCH \"%s\" cannot be undone", program.Text());
    return NoteInJournal(JournalLaunched, Widened(program));
}

void PutAttributesBack(const WidePath& path, DWORD attributes) {
    DWORD error = GetLastError();
    SetAttributesOf(path, attributes);
    SetLastError(error);
}

bool DeleteFileWhole(const WidePath& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetAttributesOf(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileAt(path))
        return true;
    PutAttributesBack(path, attributes);
    return false;
}

bool PutOverReadOnly(const WidePath& target, PutAttempt put, const void* context) {
    if (put(context))
        return true;
    DWORD error = GetLastError();
    DWORD attributes = AttributesOf(target);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        IsLinkEntry(target, attributes) || !SetAttributesOf(target, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        SetLastError(error);
        return false;
    }
    if (put(context))
        return true;
    PutAttributesBack(target, attributes);
    return false;
}
