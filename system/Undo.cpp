#include "Undo.h"

#include <windows.h>

#include "DirectoryTree.h"
#include "FileData.h"
#include "FileReplace.h"
#include "Identity.h"
#include "Keep.h"
#include "foundation/Messages.h"
#include "foundation/Numbers.h"
#include "foundation/RunLog.h"

// A file or a folder with what it holds, read-only files included. A file
// goes by itself: through DeletePath's gate, each of thousands of kept
// files would have every level of its path searched.
static bool RemoveAnything(const String& path) {
    DWORD attributes = GetFileAttributesA(path.Text());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return DeletePath(path);
    if (!ChangesNameItself(path)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.Text(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path.Text()))
        return true;
    PutAttributesBack(path.Text(), attributes);
    return false;
}

static bool MoveBack(const String& from, const String& to) {
    if (!ChangesNameItself(from)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    return MoveFileA(from.Text(), to.Text()) != 0;
}

// The record's kind: what undoing it does, in words for the log (a format
// given the record's path, second and third), and whether that worked.
static bool Undo(const JournalRecord& record, const char*& action) {
    const String& path = record.path;
    switch (record.kind) {
    case JournalCreated:
        action = "remove \"%s\", made by the run";
        return RemoveAnything(path);
    case JournalMadeFolder:
        action = "remove the folder \"%s\", made by the run";
        return !NameExists(path.Text()) || RemoveFolder(path);
    case JournalRemovedFolder:
        action = "make the folder \"%s\" again";
        return NameExists(path.Text()) || CreateDirectoryA(path.Text(), nullptr);
    case JournalKept:
        action = "put back \"%s\" from \"%s\"";
        return !NameExists(record.second.Text()) || MoveBack(record.second, path);
    case JournalPut:
        // A kept name that is gone: the old file was never put aside (or is
        // back already), and what holds the path is the old file.
        // With no kept name the second "%s" is empty.
        action = record.second.IsEmpty() ? "take away \"%s\"%s, back to \"%s\""
                                         : "put back \"%s\" from \"%s\" (the new file back to \"%s\")";
        if (!record.second.IsEmpty() && !NameExists(record.second.Text()))
            return true;
        if (NameExists(path.Text()) && !NameExists(record.third.Text()) && !MoveBack(path, record.third))
            return false;
        return record.second.IsEmpty() || MoveBack(record.second, path);
    case JournalAttributes:
        action = "put back the attributes of \"%s\" (%s)";
        return !NameExists(path.Text()) || GetFileAttributesA(path.Text()) == ParseHex(record.second) ||
               SetAttributesNoted(path, ParseHex(record.second));
    case JournalFolderTime: {
        action = "set back the time of last writing of \"%s\"";
        FILETIME written = {ParseHex(record.third), ParseHex(record.second)};
        return !NameExists(path.Text()) || SetFolderWriteTime(path, written);
    }
    case JournalLaunched:
        action = "cannot undo LAUNCH \"%s\"";
        return true;
    default:
        action = "pass \"%s\"";
        return true;
    }
}

bool UndoRecord(const JournalRecord& record) {
    const char* action = "";
    BeginStep();
    bool undone = Undo(record, action);
    String text;
    Format(text, action, record.path.Text(), record.second.Text(), record.third.Text());
    if (undone)
        LogLine("  undo: %s: done", text.Text());
    else
        LogLine("  undo: %s: failed, %s", text.Text(), SystemErrorText().Text());
    return undone;
}

// What the run kept is its own: the name itself renamed aside, never a link
// the system would follow (KeepAside, NotePut). A file goes with one call;
// a folder or a read-only file through RemoveAnything.
bool DropKept(const JournalRecord& record) {
    bool kept = (record.kind == JournalKept || record.kind == JournalPut) && !record.second.IsEmpty();
    if (!kept)
        return true;
    BeginStep();
    const char* name = record.second.Text();
    bool dropped = DeleteFileA(name) != 0;
    DWORD error = GetLastError();
    if (!dropped && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
        return true;
    dropped = dropped || RemoveAnything(record.second);
    LogLine("  commit: delete \"%s\": %s", name, dropped ? "done" : SystemErrorText().Text());
    return dropped;
}
