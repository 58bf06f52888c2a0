#include "Keep.h"

#include <string.h>
#include <windows.h>

#include "FileCalls.h"
#include "FileData.h"
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
static String listedFolder;
static unsigned nextNumber = 1;
static bool listedLeftovers;

static unsigned NumberOf(const char* name) {
    if (!IsKeptName(name))
        return 0;
    const char* digits = name + strlen(name);
    while (digits[-1] >= '0' && digits[-1] <= '9')
        digits--;
    unsigned number = 0;
    for (; *digits && number < 100000000; digits++)
        number = number * 10 + static_cast<unsigned>(*digits - '0');
    return number;
}

static bool EndsInNewFileSuffix(const char* name) {
    size_t length = strlen(name);
    return length >= 5 && memcmp(name + length - 5, ".~upd", 5) == 0;
}

static void ListFolder(const String& folder) {
    if (listedFolder.EqualsNoCase(folder.Text()))
        return;
    listedLeftovers = false;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((folder + "*.~upd*").Text(), &found));
    if (search.IsValid()) {
        do {
            unsigned number = NumberOf(found.cFileName);
            if (number >= nextNumber)
                nextNumber = number + 1;
            listedLeftovers = listedLeftovers || EndsInNewFileSuffix(found.cFileName);
        } while (FindNextFileA(search.Get(), &found));
    }
    listedFolder = folder;
}

static unsigned FreeNumberIn(const String& folder) {
    ListFolder(folder);
    return nextNumber++;
}

bool MayHoldLeftover(const String& name) {
    ListFolder(PathPrefix(name));
    return listedLeftovers;
}

static bool KeptName(const String& path, String& kept) {
    unsigned number = FreeNumberIn(PathPrefix(path));
    Format(kept, "%s.~upd%u", path.Text(), number);
    if (kept.Length() >= MAX_PATH)
        Format(kept, "%s.~upd%u", PathPrefix(path).Text(), number);
    if (kept.Length() < MAX_PATH && !kept.IsEmpty())
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

// Folders' times of last writing, noted before the first change inside
// each (added, not flushed: a time guards no file), so an undo sets them
// back. The last few folders noted are remembered; one met again later is
// noted again, and the undo, newest first, sets its oldest time last.
static String notedFolders[8];
static unsigned notedCount;

static bool NoteFolderTime(const char* path) {
    if (!JournalActive() || !*path)
        return true;
    String folder = FolderOf(String(path));
    for (const String& noted : notedFolders)
        if (!folder.IsEmpty() && noted.EqualsNoCase(folder.Text()))
            return true;
    FILETIME written;
    if (folder.IsEmpty() || !FolderWriteTime(folder, written))
        return true;
    String high, low;
    Format(high, "%X", static_cast<unsigned>(written.dwHighDateTime));
    Format(low, "%X", static_cast<unsigned>(written.dwLowDateTime));
    if (!AddToJournal(JournalFolderTime, folder.Text(), high.Text(), low.Text()))
        return false;
    notedFolders[notedCount++ % 8] = folder;
    return true;
}

bool NoteFoldersOf(const char* first, const char* second) { return NoteFolderTime(first) && NoteFolderTime(second); }

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// The name as its folder holds it, for the journal: the undo puts an entry
// back under the letters it had, not those of the script or of a source
// tree whose file took its place.
static String AsHeld(const String& path) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path.Text(), &found));
    if (!search.IsValid() || strpbrk(path.Text() + PathPrefix(path).Length(), "*?"))
        return path;
    return PathPrefix(path) + found.cFileName;
}

// From the end: digits, then ".~upd" (no strstr: Windows 95's msvcrt lacks it).
bool IsKeptName(const char* name) {
    const char* end = name + strlen(name);
    const char* digits = end;
    while (digits > name && digits[-1] >= '0' && digits[-1] <= '9')
        digits--;
    return digits < end && digits - name >= 5 && memcmp(digits - 5, ".~upd", 5) == 0;
}

// A folder that holds the current folder would be kept aside, but could not
// be deleted at the commit while this process runs in it: refused instead.
bool KeepAside(const String& path) {
    String kept;
    if (!ChangesNameItself(path))
        return Refuse(ERROR_NOT_SUPPORTED);
    DWORD attributes = GetFileAttributesA(path.Text());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && HoldsCurrentFolder(path))
        return Refuse(ERROR_SHARING_VIOLATION);
    if (!NoteFolderTime(path.Text()) || !KeptName(path, kept) || !NoteInJournal(JournalKept, AsHeld(path).Text(), kept.Text()))
        return false;
    LogLine("  keep \"%s\" as \"%s\"", path.Text(), kept.Text());
    return MoveFileA(path.Text(), kept.Text()) != 0;
}

bool NotePut(const char* from, const String& to, String& kept, bool flush) {
    // A file renamed onto its own name (in another letter case) is not kept aside first.
    DWORD attributes = GetFileAttributesA(to.Text());
    bool present = attributes != INVALID_FILE_ATTRIBUTES && !to.EqualsNoCase(from);
    kept = String();
    // A file never takes a folder's place, as the rename without the
    // journal would refuse: kept aside first, the folder would go at the commit.
    if (present && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(ERROR_ACCESS_DENIED);
    // The test for a link tells the name's letters too, mostly: a search of
    // the folder only where it does not.
    String held;
    if (present && IsLinkEntry(to, attributes, &held) && !ReachesLinkItself(to.Text()))
        return Refuse(ERROR_NOT_SUPPORTED);
    if (held.IsEmpty())
        held = present ? AsHeld(to) : to;
    if (!NoteFoldersOf(to.Text(), from) || (present && !KeptName(to, kept)))
        return false;
    return flush ? NoteInJournal(JournalPut, held.Text(), kept.Text(), from)
                 : HoldForJournal(JournalPut, held.Text(), kept.Text(), from);
}

// A kept name that is there already was never the run's: the rename fails
// rather than take it over.
bool SetAside(const String& to, const String& kept) {
    if (kept.IsEmpty())
        return true;
    LogLine("  keep \"%s\" as \"%s\"", to.Text(), kept.Text());
    return MoveFileA(to.Text(), kept.Text()) != 0;
}

bool KeepForPut(const char* from, const String& to) {
    String kept;
    return NotePut(from, to, kept, true) && SetAside(to, kept);
}

bool PutNoted(const char* from, const String& to) {
    if (!KeepForPut(from, to))
        return false;
    if (!IsWindowsNT())
        return MoveFileA(from, to.Text()) != 0;
    return MoveFileExA(from, to.Text(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MoveNoted(const char* from, const char* to) {
    return (!JournalActive() || (NoteFoldersOf(from, to) && NoteInJournal(JournalPut, to, "", from))) &&
           MoveFileA(from, to);
}

bool NoteCreated(const char* path) {
    return !JournalActive() || (NoteFolderTime(path) && NoteInJournal(JournalCreated, path));
}

bool CreateFolder(const String& path) {
    if (JournalActive() && !NameExists(path.Text()) &&
        !(NoteFolderTime(path.Text()) && NoteInJournal(JournalMadeFolder, path.Text())))
        return false;
    return CreateDirectoryA(path.Text(), nullptr) != 0;
}

bool RemoveFolder(const String& path) {
    if (!ChangesNameItself(path))
        return Refuse(ERROR_NOT_SUPPORTED);
    return (!JournalActive() || (NoteFolderTime(path.Text()) && NoteInJournal(JournalRemovedFolder, AsHeld(path).Text()))) &&
           RemoveDirectoryA(path.Text());
}

// A link's attributes are never set: the system would set those of what it
// leads to.
bool SetAttributesNoted(const String& path, unsigned attributes) {
    DWORD old = GetFileAttributesA(path.Text());
    if (IsLinkEntry(path, old))
        return Refuse(ERROR_NOT_SUPPORTED);
    if (JournalActive() && old != INVALID_FILE_ATTRIBUTES) {
        String text;
        Format(text, "%X", static_cast<unsigned>(old));
        if (!NoteInJournal(JournalAttributes, path.Text(), text.Text()))
            return false;
    }
    return SetFileAttributesA(path.Text(), attributes) != 0;
}

bool NoteLaunch(const String& program) {
    if (!JournalActive())
        return true;
    LogLine("  LAUNCH \"%s\" cannot be undone", program.Text());
    return NoteInJournal(JournalLaunched, program.Text());
}

void PutAttributesBack(const char* path, DWORD attributes) { PutAttributesBack(Widened(path), attributes); }

void PutAttributesBack(const WidePath& path, DWORD attributes) {
    DWORD error = GetLastError();
    SetAttributesOf(path, attributes);
    SetLastError(error);
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
