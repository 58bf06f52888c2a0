// What a long step is doing, for the progress window: the work writes these
// counters as it goes, and the window's own thread reads them a few times a
// second. Nothing here shows anything or waits; while no window watches,
// every call returns at once.
#pragma once

class WidePath;

enum ProgressKind {
    ProgressIdle,
    ProgressCopying,
    ProgressMoving,
    ProgressDeleting,
    ProgressReplacing,
    ProgressChecking,
    ProgressWaiting,
};

// The longest item text the window is given; a longer one is cut.
enum { ProgressTextSize = 520 };

// Read by the window's thread.
struct ProgressSnapshot {
    int kind;
    unsigned stepSerial;  // changes when a step begins, or comes back after a box
    unsigned scopeSerial; // changes with each item of the step's list
    int index, count;     // the list item, of how many
    unsigned long kib;    // written (or read) since the list item began, in KiB
    unsigned long files;  // files the walk reached since the list item began
    char scope[ProgressTextSize]; // the list item: a path (or a program's name)
    char item[ProgressTextSize];  // the file the step is on
};

// Turns the counters on for this run, before the window's thread starts.
void WatchProgress();

// The work's side, from one thread only.
void BeginProgressStep(ProgressKind kind);
void EndProgressStep();
void ProgressListItem(int index, int count, const char* scope);
// The next file of a walk; false (ERROR_CANCELLED) once the user has
// stopped the run: the walk ends between two files, never inside one.
bool ProgressNextFile(const char* path);
bool ProgressNextFile(const WidePath& path);
void ProgressBytes(unsigned long count);
// True (ERROR_CANCELLED) from the moment the work meets the user's stop.
bool ProgressStopTaken();
// Whether it has met it, without looking again.
bool ProgressStopped();

// Waits for `handle` (a process) as WaitForSingleObject does, and ends the
// wait early (WAIT_ABANDONED, ERROR_CANCELLED) when the user stops the run.
unsigned long WaitOrStop(void* handle, unsigned long milliseconds);

// The window's side.
void ReadProgress(ProgressSnapshot& snapshot);
void AskProgressStop();
