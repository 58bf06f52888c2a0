#include "Libraries.h"

#include "foundation/String.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x800
#endif

namespace {

typedef BOOL(WINAPI* SetDefaultDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDirectoryFunction)(LPCSTR);

// Both are looked up: the first came with Windows 8 (and an update of 7),
// the second with XP SP1.
FARPROC KernelFunction(const char* name) {
    return GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), name);
}

} // namespace

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

HMODULE LoadSystemLibrary(const char* name) {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    String path;
    if (length == 0 || length >= MAX_PATH || !path.Assign(folder) || !path.Append("\\") ||
        !path.Append(name))
        return nullptr;
    return LoadLibraryA(path.Text());
}
