// Other programs: starting one and waiting for it, listing the running ones
// with their paths, waiting a bounded time for one to end. Nothing here shows
// anything; every answer is a result.
#pragma once

#include <windows.h>

#include "foundation/String.h"

// Starts the program (a path with a directory; the directory becomes its
// current one) with the parameters after one space. A non-zero wait waits
// until it ends and stores its exit code in the optional place; zero waits
// until it is ready for input, or not at all when it has no message queue.
bool LaunchProgram(const String& program, const String& parameters, int wait,
                   unsigned long* exitCode = nullptr);

typedef BOOL(WINAPI* QueryImageNameFunction)(HANDLE, DWORD, LPSTR, PDWORD);
typedef BOOL(WINAPI* EnumModulesFunction)(HANDLE, HMODULE*, DWORD, LPDWORD);
typedef DWORD(WINAPI* ModuleFileNameFunction)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI* EnumProcessesFunction)(DWORD*, DWORD, DWORD*);

// The ways to read another process's program path on the NT family, each
// null where the system has none: QueryFullProcessImageNameA from Vista on,
// PSAPI from NT 4.0 on (a module file name needs the module list too).
struct ImagePathReaders {
    QueryImageNameFunction queryImageName;
    EnumModulesFunction enumModules;
    ModuleFileNameFunction moduleFileName;
    EnumProcessesFunction enumProcesses; // the list of processes where Toolhelp is missing (NT 4.0)
};

// The readers this system has, PSAPI's from `psapi`, which must stay
// loaded while they are used.
class LibraryHandle;
ImagePathReaders ImagePathReadersOf(const LibraryHandle& psapi);

// The processes running at one moment but this one, each with its program
// path (or, where no reader can get it, the snapshot's file name): taken
// once and searched for every program of a step, since a look at the
// processes costs far more than a comparison.
class ProcessList {
public:
    ProcessList() {}
    ~ProcessList() { Forget(); }
    ProcessList(const ProcessList&) = delete;
    ProcessList& operator=(const ProcessList&) = delete;

    // Takes the list anew with the readers this system has; a list that
    // cannot be taken, or memory that runs out, leaves fewer processes.
    void Take();
    // With these readers (null on Windows 9x, whose snapshot holds full
    // paths), with Toolhelp (9x, 2000 on) or without it (NT 4.0).
    void TakeWith(const ImagePathReaders* readers, bool useToolhelp);
    bool IsTaken() const { return taken; }
    void Forget();
    // The identifier of a process whose path equals `path` without regard
    // to case, as it stands; 0 when there is none.
    unsigned long Find(const String& path) const;
    // Find for a program path written in a script, compared as the system
    // names a program.
    unsigned long FindProgram(const String& program) const;
    // One more process; false when memory ran out.
    bool Add(unsigned long id, const char* path);

private:
    struct Entry {
        unsigned long id;
        char path[MAX_PATH];
    };
    Entry* entries = nullptr;
    int count = 0, room = 0;
    bool taken = false;
};

// Waits up to `milliseconds` (0xFFFFFFFF: no limit) for the process to end.
enum WaitOutcome {
    WaitEnded,   // the process ended (or had ended) within the time
    WaitRanOut,  // the time ran out while it still ran
    WaitRefused, // it could not be opened for waiting, or the wait failed
    WaitStopped, // the user stopped the run from the progress window meanwhile
};
WaitOutcome WaitForProcessEnd(unsigned long processId, unsigned long milliseconds);
