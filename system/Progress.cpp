#include "Progress.h"

#include <string.h>
#include <windows.h>

#include "WidePath.h"

namespace {

// Each number is written by the work and read by the window, whole, through
// the interlocked calls (Windows 95 has no InterlockedExchangeAdd: the
// work keeps its own sums and publishes them). The texts change once per
// file, under a lock the window holds only to copy them. A walk's file is
// kept in its UTF-16 units, copied as they are: the window spells them.
struct Shared {
    volatile LONG kind, stepSerial, scopeSerial, index, count, kib, files, stopAsked;
    char scope[ProgressTextSize];
    char item[ProgressTextSize];
    WCHAR wideItem[ProgressTextSize];
    bool itemIsWide;
};

Shared shared;
CRITICAL_SECTION textLock;
HANDLE stopEvent; // set with stopAsked, for the waits
bool watched;
// The work's own.
ProgressKind stepKind;
unsigned long long bytes;
LONG files;
bool stopTaken;

void Publish(volatile LONG& target, LONG value) { InterlockedExchange(const_cast<LONG*>(&target), value); }

void PutText(char* target, const char* text) {
    EnterCriticalSection(&textLock);
    lstrcpynA(target, text, ProgressTextSize);
    if (target == shared.item)
        shared.itemIsWide = false;
    LeaveCriticalSection(&textLock);
}

} // namespace

void WatchProgress() {
    InitializeCriticalSection(&textLock);
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    watched = true;
}

void BeginProgressStep(ProgressKind kind) {
    stepKind = kind;
    if (!watched)
        return;
    InterlockedIncrement(const_cast<LONG*>(&shared.stepSerial));
    Publish(shared.kind, kind);
}

void EndProgressStep() {
    if (watched)
        Publish(shared.kind, ProgressIdle);
}

void ProgressListItem(int index, int count, const char* scope) {
    if (!watched)
        return;
    bytes = 0;
    files = 0;
    Publish(shared.kib, 0);
    Publish(shared.files, 0);
    Publish(shared.index, index);
    Publish(shared.count, count);
    PutText(shared.scope, scope);
    PutText(shared.item, scope);
    InterlockedIncrement(const_cast<LONG*>(&shared.scopeSerial));
    // A box of the step hid the window: it comes back as a new step would.
    if (shared.kind == ProgressIdle && stepKind != ProgressIdle)
        BeginProgressStep(stepKind);
}

bool ProgressNextFile(const char* path) {
    if (!watched)
        return true;
    if (ProgressStopTaken())
        return false;
    PutText(shared.item, path);
    Publish(shared.files, ++files);
    return true;
}

// A walk's file costs a copy of its units: no allocation, no conversion.
bool ProgressNextFile(const WidePath& path) {
    if (!watched)
        return true;
    if (ProgressStopTaken())
        return false;
    int length = path.Length() < ProgressTextSize ? path.Length() : ProgressTextSize - 1;
    EnterCriticalSection(&textLock);
    memcpy(shared.wideItem, path.Text(), length * sizeof(WCHAR));
    shared.wideItem[length] = 0;
    shared.itemIsWide = true;
    LeaveCriticalSection(&textLock);
    Publish(shared.files, ++files);
    return true;
}

void ProgressBytes(unsigned long count) {
    if (!watched)
        return;
    bytes += count;
    Publish(shared.kib, static_cast<LONG>(bytes >> 10));
}

bool ProgressStopTaken() {
    if (shared.stopAsked)
        stopTaken = true;
    if (stopTaken)
        SetLastError(ERROR_CANCELLED);
    return stopTaken;
}

bool ProgressStopped() { return stopTaken; }

void ReadProgress(ProgressSnapshot& snapshot) {
    snapshot.kind = shared.kind;
    snapshot.stepSerial = static_cast<unsigned>(shared.stepSerial);
    snapshot.scopeSerial = static_cast<unsigned>(shared.scopeSerial);
    snapshot.index = shared.index;
    snapshot.count = shared.count;
    snapshot.kib = static_cast<unsigned long>(shared.kib);
    snapshot.files = static_cast<unsigned long>(shared.files);
    WidePath wide;
    EnterCriticalSection(&textLock);
    memcpy(snapshot.scope, shared.scope, ProgressTextSize);
    memcpy(snapshot.item, shared.item, ProgressTextSize);
    bool isWide = shared.itemIsWide && wide.Assign(shared.wideItem);
    LeaveCriticalSection(&textLock);
    if (isWide)
        wide.ReadableInto(snapshot.item, ProgressTextSize);
}

unsigned long WaitOrStop(void* handle, unsigned long milliseconds) {
    if (!stopEvent)
        return WaitForSingleObject(handle, milliseconds);
    HANDLE both[] = {handle, stopEvent};
    DWORD waited = WaitForMultipleObjects(2, both, FALSE, milliseconds);
    if (waited != WAIT_OBJECT_0 + 1)
        return waited;
    ProgressStopTaken();
    return WAIT_ABANDONED;
}

void AskProgressStop() {
    Publish(shared.stopAsked, 1);
    SetEvent(stopEvent);
}
