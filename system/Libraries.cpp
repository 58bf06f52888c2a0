#include "Libraries.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x800
#endif

namespace {

typedef BOOL(WINAPI* SetDefaultDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDirectoryFunction)(LPCSTR);

} // namespace

FARPROC KernelFunction(const char* name) {
    return GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), name);
}

// Both are looked up: the first came with Windows 8 (and an update of 7),
// the second with XP SP1.
void RestrictLibrarySearch() {
    SetDefaultDirectoriesFunction setDefault = reinterpret_cast<SetDefaultDirectoriesFunction>(
        reinterpret_cast<void*>(KernelFunction("SetDefaultDllDirectories")));
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDirectoryFunction setDirectory = reinterpret_cast<SetDirectoryFunction>(
        reinterpret_cast<void*>(KernelFunction("SetDllDirectoryA")));
    if (setDirectory)
        setDirectory("");
}

// The names are the program's own short constants.
HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || lstrlenA(name) >= 15)
        return nullptr;
    path[length] = '\\';
    lstrcpyA(path + length + 1, name);
    return LoadLibraryA(path);
}
