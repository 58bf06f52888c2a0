#include "ShellOperation.h"

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "foundation/Multibyte.h"
#include "foundation/PathText.h"
#include "system/DirectoryTree.h"
#include "system/FileData.h"
#include "system/FileReplace.h"
#include "system/Journal.h"
#include "system/Keep.h"
#include "system/PathGate.h"
#include "system/Shell.h"
#include "system/ShellFileOperation.h"
#include "system/WidePath.h"

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

// A name and the two zero bytes the shell wants; false when it does not
// fit the shell's MAX_PATH UTF-16 units with its two terminators.
struct ShellName {
    char text[MAX_PATH * 2];
    bool Fill(const String& name) {
        memset(text, 0, sizeof(text));
        if (Widened(name).Length() + 2 > MAX_PATH)
            return false;
        memcpy(text, name.Text(), name.Length());
        return true;
    }
};

// aside: the program's own name for the old destination while the new one
// takes its place; empty when it does not fit.
struct ShellItem {
    ShellName source, destination, temporary, aside;
    unsigned operation;
};

const char AsideSuffix[] = ".~old";

// A name with a wildcard is never deleted: it would take every match.
bool Fail(const ShellItem& item, bool removeTemporary) {
    ReportError(MsgShellFailed);
    if (removeTemporary && !strpbrk(item.temporary.text, "*?"))
        DeletePath(String(item.temporary.text));
    return false;
}

// After a move or rename the temporary name holds the only copy of the
// source; after a copy the source still has it.
bool TemporaryIsDisposable(const ShellItem& item) {
    return item.operation != FO_MOVE && item.operation != FO_RENAME;
}

// What a run cut short left aside: the old destination goes back while the
// new one is not in its place, and goes once it is.
// What a run cut short left under one of the step's own names goes; with
// the journal open it is kept aside instead, so an undo brings it back too.
bool RemoveLeftover(const char* name) {
    return JournalActive() ? KeepAside(Widened(name)) : ShellFileOperation(FO_DELETE, name, nullptr);
}

bool SettleAside(const ShellItem& item) {
    String aside(item.aside.text);
    if (aside.IsEmpty() || !PathExists(aside))
        return true;
    if (!PathExists(String(item.destination.text)))
        return JournalActive() ? MoveNoted(Widened(item.aside.text), Widened(item.destination.text))
                               : MoveFileA(item.aside.text, item.destination.text) != 0;
    return RemoveLeftover(item.aside.text) && !PathExists(aside);
}

// The old destination is put aside in one rename, the new one takes the
// name, and only then does the old one go: the name or the aside name holds
// the old or the new one at every moment (SettleAside).
bool PutInPlaceThroughAside(const ShellItem& item) {
    bool hasOld = PathExists(String(item.destination.text));
    // With the journal the old destination is kept aside until the run ends.
    if (JournalActive()) {
        if (hasOld && !KeepAside(Widened(item.destination.text)))
            return Fail(item, TemporaryIsDisposable(item));
        return MoveNoted(Widened(item.temporary.text), Widened(item.destination.text)) || Fail(item, false);
    }
    if (hasOld && (!item.aside.text[0] || !MoveFileA(item.destination.text, item.aside.text)))
        return Fail(item, TemporaryIsDisposable(item));
    if (!MoveFileA(item.temporary.text, item.destination.text)) {
        DWORD error = GetLastError();
        if (hasOld)
            MoveFileA(item.aside.text, item.destination.text);
        SetLastError(error);
        return Fail(item, false);
    }
    return !hasOld || ShellFileOperation(FO_DELETE, item.aside.text, nullptr) || Fail(item, false);
}

// Puts what the operation left under the temporary name in the
// destination's place. A file replaces a file in one step; with a directory
// involved (or on the older Windows family) the old destination is put
// aside first. A delete deletes the destination as well.
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
    if (hasResult)
        return PutInPlaceThroughAside(item);
    return !PathExists(destination) || ShellFileOperation(FO_DELETE, item.destination.text, nullptr) ||
           Fail(item, false);
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

// Without the journal the shell deletes the source of a DELETE, the old
// destination (under its aside name, or its own for a DELETE): each must
// fit, or nothing is done.
bool ShellDeletes(const ShellItem& item, const String& source, const String& destination) {
    if (JournalActive())
        return true;
    bool deletes = item.operation == FO_DELETE;
    return (!deletes || ShellFitsBelow(source, source)) &&
           ShellFitsBelow(destination, deletes || !item.aside.text[0] ? destination : String(item.aside.text));
}

PathRole SourceRole(unsigned operation) {
    if (operation == FO_DELETE)
        return PathRole::Deleted;
    return operation == FO_MOVE || operation == FO_RENAME ? PathRole::SourceRemoved : PathRole::SourceRead;
}

// A file never takes the place of a folder, nor a folder (or the matches of
// a pattern) the place of a file; a destination written with a separator at
// its end is a folder. Neither path may lie in the other, however reached (a
// link on the way): replacing a folder deletes what it holds, the source
// included.
bool Fits(unsigned operation, const GatedPath& source, const GatedPath& destination, const String& written) {
    if (operation == FO_DELETE)
        return true;
    const char* name = source.full.Text() + PathPrefix(source.full).Length();
    bool givesFolder = IsDirectory(source.full) || strpbrk(name, "*?");
    bool takesFolder = destination.kind == PathKind::Missing ? EndsInSeparator(written)
                                                             : IsDirectory(destination.full);
    if (givesFolder != takesFolder && (takesFolder || destination.kind != PathKind::Missing))
        return false;
    return source.full.EqualsNoCase(destination.full.Text()) ||
           !(Overlaps(source.full, destination.full) || Overlaps(destination.full, source.full));
}

// The shell takes names in the code page: a path whose long form has no
// exact spelling there (a short name written for it included) is named in
// the readable form, which names nothing, and never handed to it.
bool Spelled(const GatedPath& gated) {
    String ansi;
    return gated.wide.ToAnsi(ansi);
}

// items: the source, the destination and the operation word.
bool ShellItemStep(Procedure&, const String* items) {
    ShellItem item;
    item.operation = OperationCode(items[2]);
    // Nothing is touched when the gate refuses a path (an empty one
    // included: the shell would take it for the current folder), when a name
    // does not fit, when a name is in the "\\?\" or "\\.\" namespace (Wine's
    // shell was seen to take such a name for a file of the current folder,
    // and to overwrite it), when the destination holds a wildcard (the shell
    // writes beside the current folder), when either path is or holds a
    // link (Wine's shell deletes and moves what a link leads to), when the
    // folder to be replaced holds the current folder (it cannot go whole),
    // when the source and the destination do not fit (above), or when the
    // source names nothing: a temporary name left by an earlier run may then
    // hold the only copy of what the source held.
    GatedPath source, destination;
    PathRole destinationRole = item.operation == FO_DELETE ? PathRole::Deleted : PathRole::DestinationReplaced;
    if (!PassGate(items[0], SourceRole(item.operation), source) ||
        !PassGate(items[1], destinationRole, destination) || !Spelled(source) || !Spelled(destination) ||
        !item.source.Fill(source.full) ||
        !item.destination.Fill(destination.full) || !item.temporary.Fill(destination.full + ".tmp") ||
        IsNamespacePath(items[0].Text()) || IsNamespacePath(items[1].Text()) || strpbrk(items[1].Text(), "*?") ||
        HoldsLink(source.full) || HoldsLink(destination.full) ||
        (destinationRole == PathRole::DestinationReplaced && IsDirectory(destination.full) &&
         HoldsCurrentFolder(destination.wide)) ||
        !Fits(item.operation, source, destination, items[1]))
        return Fail(item, false);
    item.aside.Fill(destination.full + AsideSuffix);
    // The program's own names are judged like the script's: one that is or
    // holds a link is never deleted or moved, so it stops the step.
    if (HoldsLink(String(item.temporary.text)) || (item.aside.text[0] && HoldsLink(String(item.aside.text))) ||
        !SettleAside(item) || !NamesSomething(source.full) ||
        (item.operation != FO_DELETE && !ShellFitsBelow(source.full, destination.full + ".tmp")) ||
        !ShellDeletes(item, source.full, destination.full))
        return Fail(item, false);
    String temporary(item.temporary.text);
    if (PathExists(temporary) && (!RemoveLeftover(item.temporary.text) || PathExists(temporary)))
        return Fail(item, true);
    // The shell makes a missing folder of the destination itself, which no
    // journal would note: it is made first, noted, so an undo removes it.
    String folder = WithoutTrailingSeparators(PathPrefix(temporary));
    if (item.operation != FO_DELETE && !folder.IsEmpty())
        MakeDirectoryPath(folder);
    if (!ShellFileOperation(item.operation, item.source.text, item.temporary.text) ||
        (JournalActive() && item.operation == FO_COPY && !DropKeptCopies(Widened(item.temporary.text))))
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
