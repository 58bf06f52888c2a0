#include "Undo.h"

#include <windows.h>

#include "DirectoryTree.h"
#include "FileData.h"
#include "FileReplace.h"
#include "Identity.h"
#include "Keep.h"
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

// The record's kind: what undoing it does, and whether that worked.
static bool Undo(const JournalRecord& record, const char*& action) {
    const String& path = record.path;
    switch (record.kind) {
    case JournalCreated:
        action = "delete";
        return RemoveAnything(path);
    case JournalMadeFolder:
        action = "remove folder";
        return !NameExists(path.Text()) || RemoveFolder(path);
    case JournalRemovedFolder:
        action = "make folder";
        return NameExists(path.Text()) || CreateDirectoryA(path.Text(), nullptr);
    case JournalKept:
        action = "put back";
        return !NameExists(record.second.Text()) || MoveBack(record.second, path);
    case JournalPut:
        // A kept name that is gone: the old file was never put aside (or is
        // back already), and what holds the path is the old file.
        action = "put back";
        if (!record.second.IsEmpty() && !NameExists(record.second.Text()))
            return true;
        if (NameExists(path.Text()) && !NameExists(record.third.Text()) && !MoveBack(path, record.third))
            return false;
        return record.second.IsEmpty() || MoveBack(record.second, path);
    case JournalAttributes:
        action = "attributes";
        return !NameExists(path.Text()) || SetAttributesNoted(path, ParseHex(record.second));
    case JournalLaunched:
        action = "cannot undo LAUNCH";
        return true;
    default:
        action = "pass";
        return true;
    }
}

bool UndoRecord(const JournalRecord& record) {
    const char* action = "";
    BeginStep();
    if (Undo(record, action)) {
        LogLine("  undo: %s \"%s\": done", action, record.path.Text());
        return true;
    }
    LogLine("  undo: %s \"%s\": failed, %s", action, record.path.Text(), SystemErrorText().Text());
    return false;
}

bool DropKept(const JournalRecord& record) {
    bool kept = (record.kind == JournalKept || record.kind == JournalPut) && !record.second.IsEmpty();
    if (!kept || !NameExists(record.second.Text()))
        return true;
    BeginStep();
    bool dropped = RemoveAnything(record.second);
    LogLine("  commit: delete \"%s\": %s", record.second.Text(), dropped ? "done" : SystemErrorText().Text());
    return dropped;
}
