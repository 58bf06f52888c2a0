// Other programs: starting one and waiting for it, finding a running one by
// its path, waiting a bounded time for one to end. Nothing here shows
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

// The identifier of a running process other than this one whose program
// path equals the path without regard to case; 0 when there is none.
unsigned long FindProcess(const String& path);

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

// FindProcess with these readers (null on Windows 9x, whose snapshot holds
// full paths), with Toolhelp (9x, 2000 on) or without it (NT 4.0); `path`
// is compared as it stands.
unsigned long FindProcessWith(const String& path, const ImagePathReaders* readers, bool useToolhelp);

// Waits up to `milliseconds` (0xFFFFFFFF: no limit) for the process to end.
enum WaitOutcome {
    WaitEnded,   // the process ended (or had ended) within the time
    WaitRanOut,  // the time ran out while it still ran
    WaitRefused, // it could not be opened for waiting, or the wait failed
};
WaitOutcome WaitForProcessEnd(unsigned long processId, unsigned long milliseconds);
