#include "Keep.h"

#include <string.h>
#include <windows.h>

#include "DirectoryTree.h"
#include "FileData.h"
#include "Journal.h"
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

bool KeepAside(const String& path) {
    String kept;
    if (!KeptName(path, kept) || !NoteInJournal(JournalKept, path.Text(), kept.Text()))
        return false;
    LogLine("  keep \"%s\" as \"%s\"", path.Text(), kept.Text());
    return MoveFileA(path.Text(), kept.Text()) != 0;
}

// context: true when the walk matches a pattern, which may match the names
// the walk itself keeps.
static bool KeepEntry(const String& path, WalkEvent event, void* context) {
    bool pattern = *static_cast<bool*>(context);
    if (event == WalkEvent::EnterDirectory || (pattern && String(path.Text() + PathPrefix(path).Length()).CountOf(".~upd")))
        return true;
    return KeepAside(path);
}

bool KeepMatchesAside(const String& path) {
    bool pattern = strpbrk(path.Text() + PathPrefix(path).Length(), "*?") != nullptr;
    return WalkPath(path, KeepEntry, false, &pattern);
}

bool KeepForPut(const char* from, const String& to) {
    String kept;
    // A file renamed onto its own name (in another letter case) is not kept aside first.
    bool present = NameExists(to.Text()) && !to.EqualsNoCase(from);
    if ((present && !KeptName(to, kept)) || !NoteInJournal(JournalPut, to.Text(), kept.Text(), from))
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
    return (!JournalActive() || NoteInJournal(JournalRemovedFolder, path.Text())) &&
           RemoveDirectoryA(path.Text());
}

bool SetAttributesNoted(const String& path, unsigned attributes) {
    DWORD old = GetFileAttributesA(path.Text());
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
