#include "ShellOperation.h"

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "foundation/Multibyte.h"
#include "foundation/PathText.h"
#include "system/DirectoryTree.h"
#include "system/FileData.h"
#include "system/FileReplace.h"
#include "system/Keep.h"
#include "system/PathGate.h"
#include "system/Shell.h"
#include "system/ShellFileOperation.h"

namespace {

struct ShellRecord : Procedure {
    String operations;   // FUNC: one word per item
    String sources;      // FROM
    String destinations; // TO
};

struct OperationWord {
    const char* word;
    unsigned code;
};

const OperationWord operationWords[] = {
    {"COPY", FO_COPY}, {"DELETE", FO_DELETE}, {"MOVE", FO_MOVE}, {"RENAME", FO_RENAME}};

// 0 names no operation: the shell is called all the same, and fails.
unsigned OperationCode(const String& word) {
    for (const OperationWord& known : operationWords) {
        if (word.EqualsNoCase(known.word))
            return known.code;
    }
    return 0;
}

// A name and the two zero bytes the shell wants; false when it does not fit.
struct ShellName {
    char text[MAX_PATH];
    bool Fill(const String& name) {
        memset(text, 0, sizeof(text));
        if (name.Length() + 2 > MAX_PATH)
            return false;
        memcpy(text, name.Text(), name.Length());
        return true;
    }
};

struct ShellItem {
    ShellName source, destination, temporary;
    unsigned operation;
};

bool Fail(const ShellItem& item, bool removeTemporary) {
    ReportError(MsgShellFailed);
    if (removeTemporary)
        DeletePath(String(item.temporary.text));
    return false;
}

// After a move or rename the temporary name holds the only copy of the
// source; after a copy the source still has it.
bool TemporaryIsDisposable(const ShellItem& item) {
    return item.operation != FO_MOVE && item.operation != FO_RENAME;
}

// Puts what the operation left under the temporary name in the
// destination's place. A file replaces a file in one step; with a directory
// involved (or on the older Windows family) the old destination is deleted
// first and the temporary name then moved.
bool ReplaceDestination(const ShellItem& item) {
    String temporary(item.temporary.text), destination(item.destination.text);
    bool hasResult = PathExists(temporary);
    // Only a delete leaves nothing to put in the destination's place.
    if (!hasResult && item.operation != FO_DELETE)
        return Fail(item, false);
    bool oneStep = hasResult && IsWindowsNT() && !IsDirectory(temporary) && !IsDirectory(destination);
    if (oneStep) {
        if (ReplaceFileInOneStep(item.temporary.text, destination))
            return true;
        return Fail(item, TemporaryIsDisposable(item));
    }
    if (PathExists(destination) && !ShellFileOperation(FO_DELETE, item.destination.text, nullptr))
        return Fail(item, TemporaryIsDisposable(item) && PathExists(destination));
    if (!hasResult || MoveNoted(item.temporary.text, item.destination.text))
        return true;
    return Fail(item, false);
}

bool NoteEntry(const String&, WalkEvent, void* found) {
    *static_cast<bool*>(found) = true;
    return false;
}

// True when the name, or its pattern, matches an entry other than "." and
// "..". The shell was seen to answer success for a source that names
// nothing (a missing file moved, a pattern without matches copied).
bool NamesSomething(const String& path) {
    bool found = false;
    WalkPath(path, NoteEntry, false, &found);
    return found;
}

PathRole SourceRole(unsigned operation) {
    if (operation == FO_DELETE)
        return PathRole::Deleted;
    return operation == FO_MOVE || operation == FO_RENAME ? PathRole::SourceRemoved : PathRole::SourceRead;
}

// A file never takes the place of a folder, nor a folder (or the matches of
// a pattern) the place of a file; a destination written with a separator at
// its end is a folder. Neither path may lie in the other: replacing a folder
// deletes what it holds, the source included.
bool Fits(unsigned operation, const GatedPath& source, const GatedPath& destination, const String& written) {
    if (operation == FO_DELETE)
        return true;
    const char* name = source.full.Text() + PathPrefix(source.full).Length();
    bool givesFolder = IsDirectory(source.full) || strpbrk(name, "*?");
    const char* last = written.Text() + written.Length() - 1;
    bool takesFolder = destination.kind == PathKind::Missing
                           ? IsPathSeparator(*last) && IsCharBoundary(written.Text(), last)
                           : IsDirectory(destination.full);
    if (givesFolder != takesFolder && (takesFolder || destination.kind != PathKind::Missing))
        return false;
    return source.full.EqualsNoCase(destination.full.Text()) ||
           !(IsWithin(source.full, destination.full) || IsWithin(destination.full, source.full));
}

// items: the source, the destination and the operation word.
bool ShellItemStep(Procedure&, const String* items) {
    ShellItem item;
    item.operation = OperationCode(items[2]);
    // Nothing is touched when the gate refuses a path (an empty one
    // included: the shell would take it for the current folder), when a name
    // does not fit, when a name is in the "\\?\" or "\\.\" namespace (Wine's
    // shell was seen to take such a name for a file of the current folder,
    // and to overwrite it), when the source and the destination do not fit
    // (above), or when the source names nothing: a temporary name left by an
    // earlier run may then hold the only copy of what the source held.
    GatedPath source, destination;
    PathRole destinationRole = item.operation == FO_DELETE ? PathRole::Deleted : PathRole::DestinationReplaced;
    if (!PassGate(items[0], SourceRole(item.operation), source) ||
        !PassGate(items[1], destinationRole, destination) || !item.source.Fill(source.full) ||
        !item.destination.Fill(destination.full) || !item.temporary.Fill(destination.full + ".tmp") ||
        IsNamespacePath(items[0].Text()) || IsNamespacePath(items[1].Text()) ||
        !Fits(item.operation, source, destination, items[1]) || !NamesSomething(source.full))
        return Fail(item, false);
    String temporary(item.temporary.text);
    if (PathExists(temporary) &&
        (!ShellFileOperation(FO_DELETE, item.temporary.text, nullptr) || PathExists(temporary)))
        return Fail(item, true);
    if (!ShellFileOperation(item.operation, item.source.text, item.temporary.text))
        return Fail(item, TemporaryIsDisposable(item));
    return ReplaceDestination(item);
}

} // namespace

Procedure* ReadShellOperation(const String& sectionName) {
    return ReadRecord<ShellRecord>(sectionName, "SHELL_INFO", {
        {"FUNC", &ShellRecord::operations},
        {"FROM", &ShellRecord::sources},
        {"TO", &ShellRecord::destinations},
    });
}

bool ExecuteShellOperation(Procedure& procedure) {
    ShellRecord& record = static_cast<ShellRecord&>(procedure);
    const String* lists[] = {&record.sources, &record.destinations, &record.operations};
    return RunActionItems(procedure, "FROM", lists, ShellItemStep);
}
