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

// The first free name of ".~upd1", ".~upd2" ... beside the path.
static bool KeptName(const String& path, String& kept) {
    for (unsigned number = 1; number < 10000; number++) {
        Format(kept, "%s.~upd%u", path.Text(), number);
        if (kept.Length() >= MAX_PATH)
            Format(kept, "%s.~upd%u", PathPrefix(path).Text(), number);
        if (kept.Length() >= MAX_PATH)
            break;
        if (!NameExists(kept.Text()))
            return true;
    }
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

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
    if (!KeptName(path, kept) || !NoteInJournal(JournalKept, AsHeld(path).Text(), kept.Text()))
        return false;
    LogLine("  keep \"%s\" as \"%s\"", path.Text(), kept.Text());
    return MoveFileA(path.Text(), kept.Text()) != 0;
}

bool KeepForPut(const char* from, const String& to) {
    String kept;
    // A file renamed onto its own name (in another letter case) is not kept aside first.
    DWORD attributes = GetFileAttributesA(to.Text());
    bool present = attributes != INVALID_FILE_ATTRIBUTES && !to.EqualsNoCase(from);
    // A file never takes a folder's place, as the rename without the
    // journal would refuse: kept aside first, the folder would go at the commit.
    if (present && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(ERROR_ACCESS_DENIED);
    if (present && IsLinkEntry(to, attributes) && !ReachesLinkItself(to.Text()))
        return Refuse(ERROR_NOT_SUPPORTED);
    if ((present && !KeptName(to, kept)) ||
        !NoteInJournal(JournalPut, (present ? AsHeld(to) : to).Text(), kept.Text(), from))
        return false;
    if (!present)
        return true;
    LogLine("  keep \"%s\" as \"%s\"", to.Text(), kept.Text());
    return MoveFileA(to.Text(), kept.Text()) != 0;
}

bool PutNoted(const char* from, const String& to) {
    if (!KeepForPut(from, to))
        return false;
    if (!IsWindowsNT())
        return MoveFileA(from, to.Text()) != 0;
    return MoveFileExA(from, to.Text(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MoveNoted(const char* from, const char* to) {
    return (!JournalActive() || NoteInJournal(JournalPut, to, "", from)) && MoveFileA(from, to);
}

bool NoteCreated(const char* path) { return !JournalActive() || NoteInJournal(JournalCreated, path); }

bool CreateFolder(const String& path) {
    if (JournalActive() && !NameExists(path.Text()) && !NoteInJournal(JournalMadeFolder, path.Text()))
        return false;
    return CreateDirectoryA(path.Text(), nullptr) != 0;
}

bool RemoveFolder(const String& path) {
    if (!ChangesNameItself(path))
        return Refuse(ERROR_NOT_SUPPORTED);
    return (!JournalActive() || NoteInJournal(JournalRemovedFolder, AsHeld(path).Text())) &&
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
