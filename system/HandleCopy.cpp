#include "HandleCopy.h"

#include <windows.h>

#include "FileCalls.h"
#include "FileData.h"
#include "FileReplace.h"
#include "Handles.h"
#include "Journal.h"
#include "Keep.h"
#include "Progress.h"
#include "foundation/PathText.h"

namespace {

// FILE_BASIC_INFO (the headers give it for Vista and later only); a zero
// time leaves that time as it is.
struct BasicInformation {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;
    DWORD attributes;
};
struct DispositionInformation {
    BOOLEAN deleteFile;
};
enum { FileBasicInfoClass = 0, FileDispositionInfoClass = 4 };

struct HandleRename {
    HANDLE file;
    const WidePath& target;
};

bool RenameInOneStep(const void* context) {
    const HandleRename& rename = *static_cast<const HandleRename*>(context);
    return RenameThrough(rename.file, rename.target, true);
}

bool RenameOnto(HANDLE file, const WidePath& target) {
    HandleRename rename = {file, target};
    return PutOverReadOnly(target, RenameInOneStep, &rename);
}

// The puts of a batch wait with their new files open, their records written
// but not yet flushed, and their old files open too where the test for a
// link opened them: each is renamed aside through that handle.
enum { BatchSize = 64 };
struct WaitingPut {
    HANDLE file, aside;
    WidePath target, kept;
};
WaitingPut waiting[BatchSize];
unsigned waitingCount;
bool batching;

// Through its handle: the very file this run wrote, whatever its name holds.
void DropNewFile(HANDLE file) {
    DWORD error = GetLastError();
    DispositionInformation disposition = {TRUE};
    SetInformation()(file, FileDispositionInfoClass, &disposition, sizeof disposition);
    CloseHandle(file);
    SetLastError(error);
}

bool Wait(FileHandle& file, const WidePath& name, const WidePath& target) {
    WidePath kept;
    HANDLE opened = INVALID_HANDLE_VALUE;
    bool noted = NotePut(name, target, kept, false, &opened);
    FileHandle aside(opened);
    if (!noted)
        return false;
    WaitingPut& put = waiting[waitingCount];
    put.target = target;
    put.kept = kept;
    if (put.target.IsEmpty() || put.kept.IsEmpty() != kept.IsEmpty()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    put.file = file.Release();
    put.aside = aside.Release();
    return ++waitingCount < BatchSize || FlushPutBatch();
}

bool Waits(const WidePath& target) {
    if (NewFileSuffixCount(target.Text() + PathPrefixLength(target.Text())) > 0)
        return waitingCount > 0;
    for (unsigned i = 0; i < waitingCount; i++)
        if (waiting[i].target.EqualsNoCase(target))
            return true;
    return false;
}

} // namespace

void OpenPutBatch() { batching = JournalActive() && CanCopyThroughHandle(); }

// After the first failure the rest of the batch is dropped: their records
// stand, and an undo finds their old files never set aside.
bool FlushPutBatch() {
    bool done = waitingCount == 0 || FlushJournal();
    DWORD error = done ? NO_ERROR : GetLastError();
    for (unsigned i = 0; i < waitingCount; i++) {
        WaitingPut& put = waiting[i];
        FileHandle aside(put.aside);
        if (done && !(SetAside(put.target, put.kept, aside.Get()) && RenameOnto(put.file, put.target))) {
            done = false;
            error = GetLastError();
        }
        if (done)
            CloseHandle(put.file);
        else
            DropNewFile(put.file);
    }
    waitingCount = 0;
    SetLastError(error);
    return done;
}

bool FlushPutBatchFor(const WidePath& target) { return !batching || !Waits(target) || FlushPutBatch(); }

bool ClosePutBatch() {
    bool done = FlushPutBatch();
    batching = false;
    return done;
}

bool CanCopyThroughHandle() { return SetInformation() != nullptr; }

// The whole of `source` into `to`, with its time of last writing. The
// source is closed again before the rename: the target may be the source
// under another name (its letters in another case, a hard link), which the
// system does not replace while it is open.
static bool WriteWhole(const WidePath& source, HANDLE to) {
    FileHandle from(
        OpenFileAt(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!from.IsValid())
        return false;
    // On the stack: a static buffer lands in the program's file, not in memory left empty.
    char buffer[32 * 1024];
    DWORD read = 0;
    do {
        if (!ReadFile(from.Get(), buffer, sizeof buffer, &read, nullptr) || (read && !WriteWholly(to, buffer, read)))
            return false;
        ProgressBytes(read);
    } while (read);
    // Not GetFileInformationByHandle: under Wine it asks for the volume too,
    // which costs more than the copy.
    FILETIME written;
    return GetFileTime(from.Get(), nullptr, nullptr, &written) && SetFileTime(to, nullptr, nullptr, &written);
}

bool CopyThroughHandle(const WidePath& source, const WidePath& name, const WidePath& target, BeforePut beforePut,
                       const void* context) {
    DWORD sourceAttributes = AttributesOf(source);
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES)
        return false;
    // Made writable: a read-only bit is set through the handle once it is written.
    DWORD attributes = sourceAttributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
    FileHandle to(OpenFileAt(name, GENERIC_WRITE | DELETE, 0, CREATE_NEW, attributes ? attributes : FILE_ATTRIBUTE_NORMAL));
    if (!to.IsValid() || !WriteWhole(source, to.Get()))
        return false;
    BasicInformation basic = {};
    basic.attributes = attributes | FILE_ATTRIBUTE_READONLY;
    if ((sourceAttributes & FILE_ATTRIBUTE_READONLY) &&
        !SetInformation()(to.Get(), FileBasicInfoClass, &basic, sizeof basic))
        return false;
    if (batching)
        return Wait(to, name, target);
    return (!beforePut || beforePut(context)) && RenameOnto(to.Get(), target);
}
