#include "FileReplace.h"

#include "FileCalls.h"
#include "HandleCopy.h"
#include "Identity.h"
#include "Keep.h"
#include "Journal.h"
#include "PathGate.h"
#include "Shell.h"
#include "foundation/PathText.h"

const WCHAR NewFileSuffix[] = L".~upd";

int NewFileSuffixCount(const WCHAR* name) {
    // Counted here: Windows 95 exports no lstrlenW.
    int length = 0;
    while (name[length])
        length++;
    int count = 0;
    for (; length >= 5 && EqualsNoCase(name + length - 5, NewFileSuffix, 5); length -= 5)
        count++;
    return count;
}

struct OneStepMove {
    const WidePath& replacement;
    const WidePath& target;
};

static bool MoveInOneStep(const void* context) {
    const OneStepMove& move = *static_cast<const OneStepMove*>(context);
    return MoveFileAt(move.replacement, move.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool ReplaceFileInOneStep(const WidePath& replacement, const WidePath& target) {
    if (JournalActive())
        return PutNoted(replacement, target);
    OneStepMove move = {replacement, target};
    return PutOverReadOnly(target, MoveInOneStep, &move);
}

bool ReplaceFileInOneStep(const char* replacement, const String& target) {
    return ReplaceFileInOneStep(Widened(replacement), Widened(target));
}

// A writer given the name in the code page (`plain`) takes the ANSI calls
// on Windows 95, 98 and Me: MAX_PATH UTF-16 units with the terminator (a
// double-byte character is one unit). On the NT family it widens the name
// again, and the wide calls take what a file system takes.
static bool Fits(const WidePath& path, bool plain) {
    return plain && !UsesWideCalls() ? path.Length() < MAX_PATH : FitsFileSystem(path);
}

// GetTempFileNameA is never used: on a folder over 246 bytes it was seen to
// make a garbled name that no clean-up finds. `full`: the target as the
// system resolves it. A copy's `source` under that name (a copy of "x.~upd"
// onto "x") is no leftover: the new file takes the suffix once more.
static bool NewFileName(const WidePath& full, WidePath& name, bool plain, const WidePath* source) {
    name = full + NewFileSuffix;
    if (!Fits(name, plain))
        name = full.Left(PathPrefixLength(full.Text())) + NewFileSuffix;
    if (source && name.EqualsNoCase(*source))
        name = name + NewFileSuffix;
    return !name.IsEmpty() && Fits(full, plain) && Fits(name, plain);
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

// A file under the program's own name for a new file, left by a run cut
// short: gone, or kept aside with the journal open; false when it stays.
// The copy's own source under another name of it (a link, a short name)
// stays, and the copy fails.
static bool SetLeftoverAside(const WidePath& name, const WidePath* source) {
    ObjectId found, read;
    if (source && IdentityOf(name, found) && IdentityOf(*source, read) && SameObject(found, read)) {
        SetLastError(ERROR_FILE_EXISTS);
        return false;
    }
    if (JournalActive())
        KeepAside(name);
    else
        DeleteNewFile(name);
    return AttributesOf(name) == INVALID_FILE_ATTRIBUTES;
}

// Writes the new file under the wide name; false stops.
typedef bool (*NewFileWriter)(const WidePath& name, const void* context);

// ReplaceThroughNewFile for a target as the system resolves it; `puts`:
// `write` puts the new file in the target's place itself; `plain`: it
// takes the name in the code page.
static bool PutThroughNewFile(const WidePath& full, NewFileWriter write, const void* context, bool puts, bool plain,
                              const WidePath* source = nullptr) {
    WidePath name;
    if (!NewFileName(full, name, plain, source)) {
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
    if (asked && AttributesOf(name) != INVALID_FILE_ATTRIBUTES && !SetLeftoverAside(name, source))
        return false;
    if (!NoteCreated(name))
        return false;
    if (write(name, context) && (puts || ReplaceFileInOneStep(name, full)))
        return true;
    // A name the writer found taken (CREATE_NEW) is not the run's.
    if (GetLastError() != ERROR_FILE_EXISTS)
        DeleteNewFile(name);
    return false;
}

struct AnsiWriter {
    FileWriter write;
    const void* context;
};

// A writer of the procedures, given the new file's name in the code page.
static bool WriteUnderAnsiName(const WidePath& name, const void* context) {
    const AnsiWriter& writer = *static_cast<const AnsiWriter*>(context);
    String ansi;
    return name.ToAnsi(ansi) && writer.write(ansi, writer.context);
}

static bool ReplaceThroughNewFile(const String& target, NewFileWriter write, const void* context,
                                  const WidePath* source = nullptr) {
    WidePath full;
    if (!ResolvePath(target, full)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return PutThroughNewFile(full, write, context, false, true, source);
}

bool ReplaceThroughNewFile(const String& target, FileWriter write, const void* context) {
    AnsiWriter writer = {write, context};
    return ReplaceThroughNewFile(target, WriteUnderAnsiName, &writer);
}

struct CopyJob {
    const WidePath& source;
    CopyChange change;
    void* context;
    const WidePath* target;  // for CopyAndPut
};

static bool WriteCopy(const WidePath& name, const void* context) {
    const CopyJob& job = *static_cast<const CopyJob*>(context);
    String ansi;
    return CopyFileAt(job.source, name, false) &&
           (!job.change || (name.ToAnsi(ansi) && job.change(ansi.Text(), job.context)));
}

struct PutJob {
    const WidePath& name;
    const WidePath& target;
};

static bool KeepTarget(const void* context) {
    const PutJob& put = *static_cast<const PutJob*>(context);
    return KeepForPut(put.name, put.target);
}

// A name an earlier run left goes (kept aside with the journal open), and
// the copy is tried once more.
static bool CopyThroughNewName(const WidePath& source, const WidePath& name, const WidePath& target,
                               BeforePut beforePut, const void* context) {
    if (CopyThroughHandle(source, name, target, beforePut, context))
        return true;
    if (GetLastError() != ERROR_FILE_EXISTS || !SetLeftoverAside(name, &source))
        return false;
    return CopyThroughHandle(source, name, target, beforePut, context);
}

// With the journal open the old target is kept aside just before the rename.
static bool CopyAndPut(const WidePath& name, const void* context) {
    const CopyJob& job = *static_cast<const CopyJob*>(context);
    PutJob put = {name, *job.target};
    return CopyThroughNewName(job.source, name, *job.target, JournalActive() ? KeepTarget : nullptr, &put);
}

bool ReplaceThroughCopy(const String& source, const String& target, CopyChange change, void* context) {
    WidePath wideSource = Widened(source);
    CopyJob job = {wideSource, change, context, nullptr};
    return ReplaceThroughNewFile(target, WriteCopy, &job, &wideSource);
}

bool WriteReplacing(const String& target, FileWriter write, const void* context) {
    return IsWindowsNT() || JournalActive() ? ReplaceThroughNewFile(target, write, context) : write(target, context);
}

bool CopyFileReplacing(const WidePath& source, const WidePath& destination) {
    CopyJob job = {source, nullptr, nullptr, &destination};
    if (!IsWindowsNT() && !JournalActive())
        return CopyFileAt(source, destination, false);
    if (CanCopyThroughHandle())
        return FlushPutBatchFor(destination) && PutThroughNewFile(destination, CopyAndPut, &job, true, false, &source);
    return PutThroughNewFile(destination, WriteCopy, &job, false, false, &source);
}
