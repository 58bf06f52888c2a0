#include "Process.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>

#include "FileCalls.h"
#include "Handles.h"
#include "WidePath.h"
#include "Progress.h"
#include "Libraries.h"
#include "PathGate.h"
#include "foundation/PathText.h"
#include "foundation/RunLog.h"
#include "Shell.h"

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

namespace {

// INVALID_FILE_ATTRIBUTES has the directory bit too.
bool NamesFile(const char* path) { return !(AttributesOf(Widened(path)) & FILE_ATTRIBUTE_DIRECTORY); }

// A path with a space that names a file goes in quotes, or CreateProcess
// tries each space as the program's end: "C:\My Tools\a.exe" would start
// C:\My.exe. Anything else is passed as written, switches included.
bool BuildCommandLine(const String& program, const String& parameters, String& commandLine) {
    const char* path = program.Text();
    bool quote = strchr(path, ' ') && NamesFile(path);
    return commandLine.Assign(quote ? "\"" : "") && commandLine.Append(path) &&
           commandLine.Append(quote ? "\" " : " ") && commandLine.Append(parameters.Text());
}

// The directory of the program, without the quotes it may stand in, nor
// the switches written after it ("C:\Tools\setup.exe /S": "/" also ends a
// level, so the program is the text before the first space that ends the
// name of a file, as CreateProcess reads it).
bool ProgramDirectory(const String& program, String& directory) {
    const char* text = program.Text();
    String path = program;
    // The closing quote ends a quoted program, whatever files lie along it
    // ("C:\My App\a.exe" /S, with a file C:\My).
    const char* close = text[0] == '"' ? strchr(text + 1, '"') : nullptr;
    if (text[0] == '"')
        path = close ? (close > text + 1 ? program.Slice(text + 1, close - 1) : String()) : String(text + 1);
    for (const char* space = close ? nullptr : strchr(path.Text(), ' '); space && !NamesFile(path.Text());
         space = strchr(space + 1, ' ')) {
        String before = path.Slice(path.Text(), space - 1);
        if (NamesFile(before.Text())) {
            path = before;
            break;
        }
    }
    return DirectoryOf(path, directory) && !directory.IsEmpty();
}

// A program that was created and is still running, or has already ended,
// was started: WaitForInputIdle fails for a process without a message queue
// (a console program), which is no reason to call the launch a failure.
bool WaitUntilReady(HANDLE process) {
    if (WaitForInputIdle(process, INFINITE) != WAIT_FAILED)
        return true;
    DWORD code = 0;
    return GetExitCodeProcess(process, &code) != 0;
}

} // namespace

bool LaunchProgram(const String& program, const String& parameters, int wait, unsigned long* exitCode) {
    String directory, commandLine;
    if (!ProgramDirectory(program, directory) || !BuildCommandLine(program, parameters, commandLine))
        return false;
    PROCESS_INFORMATION created;
    if (!StartProcessAt(commandLine, Widened(directory), created))
        return false;
    // Declared in this order, the thread handle is closed before the process handle.
    KernelHandle process(created.hProcess);
    KernelHandle thread(created.hThread);
    if (!wait)
        return WaitUntilReady(process.Get());
    if (WaitOrStop(process.Get(), INFINITE) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    LogItemLine("  %s ended with exit code %lu", program.Text(), code);
    if (exitCode)
        *exitCode = code;
    return true;
}

WaitOutcome WaitForProcessEnd(unsigned long processId, unsigned long milliseconds) {
    // SYNCHRONIZE alone: more rights are refused for other users' and
    // elevated processes, and waiting needs no more.
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process.IsValid())
        return WaitRefused;
    DWORD waited = WaitOrStop(process.Get(), milliseconds);
    return waited == WAIT_OBJECT_0    ? WaitEnded
           : waited == WAIT_TIMEOUT   ? WaitRanOut
           : waited == WAIT_ABANDONED ? WaitStopped
                                      : WaitRefused;
}

namespace {

typedef HANDLE(WINAPI* SnapshotFunction)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFunction)(HANDLE, PROCESSENTRY32*);

// Toolhelp: kernel32 of Windows 95 and of NT from 2000 on; NT 4.0 has none,
// so it is looked up, and the loader still starts the program there.
struct Toolhelp {
    SnapshotFunction snapshot;
    ProcessWalkFunction first;
    ProcessWalkFunction next;
};

bool FindToolhelp(HMODULE kernel, Toolhelp& toolhelp) {
    toolhelp.snapshot = reinterpret_cast<SnapshotFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
    toolhelp.first = reinterpret_cast<ProcessWalkFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Process32First")));
    toolhelp.next = reinterpret_cast<ProcessWalkFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Process32Next")));
    return toolhelp.snapshot && toolhelp.first && toolhelp.next;
}

// The least access that works: PSAPI needs to read the process's memory,
// which is refused for other users' and elevated processes and, from the
// 32-bit build, for 64-bit ones.
bool QueryImagePath(const ImagePathReaders& readers, DWORD processId, char (&path)[MAX_PATH]) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    DWORD size = MAX_PATH;
    return process.IsValid() && readers.queryImageName(process.Get(), 0, path, &size);
}

bool ModuleImagePath(const ImagePathReaders& readers, DWORD processId, char (&path)[MAX_PATH]) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    HMODULE modules[4096 / sizeof(HMODULE)];
    DWORD needed = 0;
    // A process that has just started may list no module yet.
    return process.IsValid() && readers.enumModules(process.Get(), modules, sizeof(modules), &needed) &&
           needed >= sizeof(HMODULE) && readers.moduleFileName(process.Get(), modules[0], path, MAX_PATH);
}

// Replaces the snapshot's file name by the full path where a reader can
// get it; otherwise the entry keeps the snapshot's name.
void ReadImagePath(const ImagePathReaders& readers, PROCESSENTRY32& entry) {
    char path[MAX_PATH];
    if ((readers.queryImageName && QueryImagePath(readers, entry.th32ProcessID, path)) ||
        (readers.enumModules && ModuleImagePath(readers, entry.th32ProcessID, path)))
        lstrcpynA(entry.szExeFile, path, MAX_PATH);
}

// NT 4.0's way, without Toolhelp: PSAPI lists the processes' identifiers.
GUARDED void ListWithoutToolhelp(const ImagePathReaders& readers, ProcessList& list) {
    DWORD ids[1024];
    DWORD bytes = 0;
    if (!readers.enumProcesses || !readers.enumModules || !readers.enumProcesses(ids, sizeof(ids), &bytes))
        return;
    DWORD self = GetCurrentProcessId();
    char found[MAX_PATH];
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        if (ids[i] != self && ModuleImagePath(readers, ids[i], found) && !list.Add(ids[i], found))
            return;
    }
}

// The snapshot's walk. On the NT family the snapshot holds only file
// names, so each process's path is read with the readers; Windows 9x's
// snapshot holds full paths (no readers).
void WalkSnapshot(const Toolhelp& toolhelp, const ImagePathReaders* readers, ProcessList& list) {
    PROCESSENTRY32 entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    SnapshotHandle snapshot(toolhelp.snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return;
    DWORD self = GetCurrentProcessId();
    for (BOOL more = toolhelp.first(snapshot.Get(), &entry); more; more = toolhelp.next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self)
            continue;
        if (readers)
            ReadImagePath(*readers, entry);
        if (!list.Add(entry.th32ProcessID, entry.szExeFile))
            return;
    }
}

} // namespace

ImagePathReaders ImagePathReadersOf(const LibraryHandle& psapi) {
    ImagePathReaders readers;
    readers.queryImageName = reinterpret_cast<QueryImageNameFunction>(
        reinterpret_cast<void*>(KernelFunction("QueryFullProcessImageNameA")));
    readers.enumModules = reinterpret_cast<EnumModulesFunction>(
        reinterpret_cast<void*>(psapi.Function("EnumProcessModules")));
    readers.moduleFileName = reinterpret_cast<ModuleFileNameFunction>(
        reinterpret_cast<void*>(psapi.Function("GetModuleFileNameExA")));
    readers.enumProcesses = reinterpret_cast<EnumProcessesFunction>(
        reinterpret_cast<void*>(psapi.Function("EnumProcesses")));
    if (!readers.moduleFileName)
        readers.enumModules = nullptr;
    return readers;
}

bool ProcessList::Add(unsigned long id, const char* path) {
    if (count == room) {
        int grown = room ? room * 2 : 64;
        void* block = realloc(entries, static_cast<size_t>(grown) * sizeof(Entry));
        if (!block)
            return false;
        entries = static_cast<Entry*>(block);
        room = grown;
    }
    entries[count].id = id;
    lstrcpynA(entries[count].path, path, MAX_PATH);
    count++;
    return true;
}

void ProcessList::Forget() {
    free(entries);
    entries = nullptr;
    count = room = 0;
    taken = false;
}

void ProcessList::TakeWith(const ImagePathReaders* readers, bool useToolhelp) {
    Forget();
    taken = true;
    Toolhelp toolhelp;
    if (!useToolhelp || !FindToolhelp(GetModuleHandleA("KERNEL32.DLL"), toolhelp)) {
        if (readers)
            ListWithoutToolhelp(*readers, *this);
    } else if (!readers || readers->queryImageName || readers->enumModules) {
        WalkSnapshot(toolhelp, readers, *this);
    }
}

void ProcessList::Take() {
    if (!IsWindowsNT())
        return TakeWith(nullptr, true);
    // From Vista on the kernel reads every path that PSAPI can, so PSAPI is
    // loaded only before it (under Wine, loading it took most of a look).
    LibraryHandle psapi(KernelFunction("QueryFullProcessImageNameA") ? nullptr : "PSAPI.DLL");
    ImagePathReaders readers = ImagePathReadersOf(psapi);
    TakeWith(&readers, true);
}

unsigned long ProcessList::Find(const String& path) const {
    for (int i = 0; i < count; i++)
        if (EqualsNoCase(entries[i].path, path.Text()))
            return entries[i].id;
    return 0;
}

unsigned long ProcessList::FindProgram(const String& program) const {
    // Compared as the system names a program: "/" read as "\\", "." and ".."
    // taken out, long names.
    String path = program;
    if (PathRootLength(program.Text()) > 0)
        ResolvePath(program, path);
    return Find(path);
}
