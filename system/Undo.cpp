#include "Undo.h"

#include <windows.h>

#include "DirectoryTree.h"
#include "FileCalls.h"
#include "FileData.h"
#include "FileReplace.h"
#include "Identity.h"
#include "Keep.h"
#include "foundation/Messages.h"
#include "foundation/Numbers.h"
#include "foundation/RunLog.h"

// A file or a folder with what it holds, read-only files included. A file
// goes by itself: through the tree's walk, each of thousands of kept files
// would have its own listing.
static bool RemoveAnything(const WidePath& path) {
    DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return DeleteTree(path);
    if (!ChangesNameItself(path)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    return DeleteFileWhole(path, attributes);
}

static bool MoveBack(const WidePath& from, const WidePath& to) {
    if (!ChangesNameItself(from)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    return MoveFileAt(from, to, 0);
}

static bool Exists(const WidePath& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

static unsigned HexOf(const WidePath& field) { return ParseHex(field.Readable()); }

// The record's kind: what undoing it does, in words for the log (a format
// given the record's path, second and third), and whether that worked.
static bool Undo(const JournalRecord& record, const char*& action) {
    const WidePath& path = record.path;
    switch (record.kind) {
    case JournalCreated:
        action = "remove \"%s\", made by the run";
        return RemoveAnything(path);
    case JournalMadeFolder:
        action = "remove the folder \"%s\", made by the run";
        return !Exists(path) || RemoveFolder(path);
    case JournalRemovedFolder:
        action = "make the folder \"%s\" again";
        return Exists(path) || CreateFolderAt(path);
    case JournalKept:
        action = "put back \"%s\" from \"%s\"";
        return !Exists(record.second) || MoveBack(record.second, path);
    case JournalPut:
        // A kept name that is gone: the old file was never put aside (or is
        // back already), and what holds the path is the old file.
        // With no kept name the second "%s" is empty.
        action = record.second.IsEmpty() ? "take away \"%s\"%s, back to \"%s\""
                                         : "put back \"%s\" from \"%s\" (the new file back to \"%s\")";
        if (!record.second.IsEmpty() && !Exists(record.second))
            return true;
        if (Exists(path) && !Exists(record.third) && !MoveBack(path, record.third))
            return false;
        return record.second.IsEmpty() || MoveBack(record.second, path);
    case JournalAttributes:
        action = "put back the attributes of \"%s\" (%s)";
        return !Exists(path) || AttributesOf(path) == HexOf(record.second) ||
               SetAttributesNoted(path, HexOf(record.second));
    case JournalFolderTime: {
        action = "set back the time of last writing of \"%s\"";
        FILETIME written = {HexOf(record.third), HexOf(record.second)};
        return !Exists(path) || SetFolderWriteTime(path, written);
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
    Format(text, action, record.path.Readable().Text(), record.second.Readable().Text(),
           record.third.Readable().Text());
    if (undone)
        LogLine("  undo: %s: done", text.Text());
    else
        LogLine("  undo: %s: failed, %s", text.Text(), SystemErrorText().Text());
    return undone;
}

bool IsKeeping(const JournalRecord& record) {
    return (record.kind == JournalKept || record.kind == JournalPut) && !record.second.IsEmpty();
}

// What the run kept is its own: the name itself renamed aside, never a link
// the system would follow (KeepAside, NotePut). A file goes with one call;
// a folder or a read-only file through RemoveAnything.
bool DropKept(const WidePath& kept, bool* missing) {
    BeginStep();
    bool dropped = DeleteFileAt(kept);
    DWORD error = GetLastError();
    bool gone = !dropped && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    if (missing)
        *missing = gone;
    if (gone)
        return true;
    dropped = dropped || RemoveAnything(kept);
    LogLine("  commit: delete \"%s\": %s", kept.Readable().Text(), dropped ? "done" : SystemErrorText().Text());
    return dropped;
}
