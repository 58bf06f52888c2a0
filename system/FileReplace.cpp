#include "FileReplace.h"

#include "FileCalls.h"
#include "HandleCopy.h"
#include "Identity.h"
#include "Keep.h"
#include "Journal.h"
#include "PathGate.h"
#include "Shell.h"
#include "foundation/PathText.h"

const char NewFileSuffix[] = ".~upd";

struct OneStepMove {
    const WidePath& replacement;
    const WidePath& target;
};

static bool MoveInOneStep(const void* context) {
    const OneStepMove& move = *static_cast<const OneStepMove*>(context);
    return MoveFileAt(move.replacement, move.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool ReplaceFileInOneStep(const WidePath& replacement, const WidePath& target) {
    OneStepMove move = {replacement, target};
    return PutOverReadOnly(target, MoveInOneStep, &move);
}

bool ReplaceFileInOneStep(const char* replacement, const String& target) {
    if (JournalActive())
        return PutNoted(replacement, target);
    return ReplaceFileInOneStep(Widened(replacement), Widened(target));
}

// The ANSI file calls take a path of MAX_PATH UTF-16 units with the
// terminator (a double-byte character is one unit); the wide ones any the
// file system takes.
static bool FitsFileCalls(const String& path) {
    WidePath wide = Widened(path);
    return !wide.IsEmpty() && (UsesWideCalls() ? FitsFileSystem(wide) : wide.Length() < MAX_PATH);
}

// GetTempFileNameA is never used: on a folder over 246 bytes it was seen to
// make a garbled name that no clean-up finds. `full`: the target as the
// system resolves it.
static bool NewFileName(const String& full, String& name) {
    name = full + NewFileSuffix;
    if (!FitsFileCalls(name))
        name = PathPrefix(full) + NewFileSuffix;
    return FitsFileCalls(full) && FitsFileCalls(name);
}

// The program's own name: what is there is deleted only when that deletes
// the name itself, never what a link there leads to.
static void DeleteNewFile(const WidePath& name) {
    DWORD error = GetLastError();
    if (ChangesNameItself(name)) {
        // A copy of a read-only file is read-only too.
        SetAttributesOf(name, FILE_ATTRIBUTE_NORMAL);
        DeleteFileAt(name);
    }
    SetLastError(error);
}

static void DeleteNewFile(const char* name) { DeleteNewFile(Widened(name)); }

// A file under the program's own name for a new file, left by a run cut
// short: gone, or kept aside with the journal open; false when it stays.
static bool SetLeftoverAside(const String& name) {
    if (JournalActive())
        KeepAside(name);
    else
        DeleteNewFile(name.Text());
    return AttributesOf(Widened(name)) == INVALID_FILE_ATTRIBUTES;
}

// ReplaceThroughNewFile for a target whose resolved form `full` is known;
// `puts`: `write` puts the new file in the target's place itself.
static bool PutThroughNewFile(const String& target, const String& full, FileWriter write, const void* context,
                              bool puts = false) {
    String name;
    if (!NewFileName(full, name)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // What an earlier run left there goes; a name that stays (a folder, a
    // file held open) stops the step before anything is written. Asked
    // first: a name that is not there costs Wine a search of the folder for
    // each call that names it; a writer that puts the file itself makes it
    // only where nothing is (CopyAndPut). With the journal open it is kept
    // aside, noted before the new file's own record, so an undo brings it
    // back: asked where the folder's listing shows such a name at all.
    bool asked = puts ? JournalActive() && MayHoldLeftover(name) : true;
    if (asked && AttributesOf(Widened(name)) != INVALID_FILE_ATTRIBUTES && !SetLeftoverAside(name))
        return false;
    if (!NoteCreated(name.Text()))
        return false;
    if (write(name, context) && (puts || ReplaceFileInOneStep(name.Text(), target)))
        return true;
    DWORD error = GetLastError();
    DeleteNewFile(name.Text());
    SetLastError(error);
    return false;
}

bool ReplaceThroughNewFile(const String& target, FileWriter write, const void* context) {
    String full;
    if (!ResolvePath(target, full)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return PutThroughNewFile(target, full, write, context);
}

struct CopyJob {
    const String& source;
    CopyChange change;
    void* context;
    const String* target;  // for CopyAndPut
};

static bool WriteCopy(const String& name, const void* context) {
    const CopyJob& job = *static_cast<const CopyJob*>(context);
    return CopyFileAt(Widened(job.source), Widened(name), false) && (!job.change || job.change(name.Text(), job.context));
}

struct PutJob {
    const char* name;
    const String& target;
};

static bool KeepTarget(const void* context) {
    const PutJob& put = *static_cast<const PutJob*>(context);
    return KeepForPut(put.name, put.target);
}

// A name an earlier run left is deleted, and the copy tried once more.
static bool CopyThroughNewName(const WidePath& source, const WidePath& name, const WidePath& target,
                               BeforePut beforePut, const void* context) {
    if (CopyThroughHandle(source, name, target, beforePut, context))
        return true;
    if (GetLastError() != ERROR_FILE_EXISTS)
        return false;
    DeleteNewFile(name);
    return CopyThroughHandle(source, name, target, beforePut, context);
}

// With the journal open the old target is kept aside just before the rename.
static bool CopyAndPut(const String& name, const void* context) {
    const CopyJob& job = *static_cast<const CopyJob*>(context);
    PutJob put = {name.Text(), *job.target};
    return CopyThroughNewName(Widened(job.source), Widened(name), Widened(*job.target),
                              JournalActive() ? KeepTarget : nullptr, &put);
}

bool ReplaceThroughCopy(const String& source, const String& target, CopyChange change, void* context) {
    CopyJob job = {source, change, context, &target};
    return ReplaceThroughNewFile(target, WriteCopy, &job);
}

bool WriteReplacing(const String& target, FileWriter write, const void* context) {
    return IsWindowsNT() || JournalActive() ? ReplaceThroughNewFile(target, write, context) : write(target, context);
}

// The copy of a walk on the NT family with the journal closed, wide from
// end to end: names the code page cannot spell, and paths past MAX_PATH.
bool CopyFileReplacing(const WidePath& source, const WidePath& destination) {
    String from, to;
    if (JournalActive() || !UsesWideCalls())
        return source.ToAnsi(from) && destination.ToAnsi(to) && CopyFileReplacing(from, to);
    WidePath name = destination + L".~upd";
    if (name.IsEmpty())
        return false;
    if (CanCopyThroughHandle())
        return CopyThroughNewName(source, name, destination, nullptr, nullptr) || (DeleteNewFile(name), false);
    if (AttributesOf(name) != INVALID_FILE_ATTRIBUTES) {
        DeleteNewFile(name);
        if (AttributesOf(name) != INVALID_FILE_ATTRIBUTES)
            return false;
    }
    if (CopyFileAt(source, name, false) && ReplaceFileInOneStep(name, destination))
        return true;
    DeleteNewFile(name);
    return false;
}

bool CopyFileReplacing(const String& source, const String& destination) {
    CopyJob job = {source, nullptr, nullptr, &destination};
    if (!IsWindowsNT() && !JournalActive())
        return WriteCopy(destination, &job);
    if (CanCopyThroughHandle())
        return PutThroughNewFile(destination, destination, CopyAndPut, &job, true);
    return PutThroughNewFile(destination, destination, WriteCopy, &job);
}
