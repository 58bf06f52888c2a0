// Holders that close a Win32 handle on every path. Each notes the value
// its API uses for "no handle".
#pragma once

#include <windows.h>

// File and search handles, whose "none" is INVALID_HANDLE_VALUE; each kind
// is closed by its own function.
template <BOOL(WINAPI* CloseFunction)(HANDLE)>
class InvalidValueHandle {
public:
    explicit InvalidValueHandle(HANDLE handle) : handle(handle) {}
    ~InvalidValueHandle() {
        if (IsValid())
            CloseFunction(handle);
    }
    bool IsValid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    InvalidValueHandle(const InvalidValueHandle&) = delete;
    InvalidValueHandle& operator=(const InvalidValueHandle&) = delete;

private:
    HANDLE handle;
};

typedef InvalidValueHandle<CloseHandle> FileHandle; // CreateFileA
typedef InvalidValueHandle<FindClose> FindHandle;   // FindFirstFileA

// Process and thread handles (CreateProcessA, OpenProcess), whose "none" is
// null; closed with CloseHandle.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle) : handle(handle) {}
    ~KernelHandle() {
        if (handle)
            CloseHandle(handle);
    }
    bool IsValid() const { return handle != nullptr; }
    HANDLE Get() const { return handle; }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

private:
    HANDLE handle;
};

typedef InvalidValueHandle<CloseHandle> SnapshotHandle; // CreateToolhelp32Snapshot

// A library loaded at run time (LoadLibraryA: null for none); a null name
// loads nothing.
class LibraryHandle {
public:
    explicit LibraryHandle(const char* name) : module(name ? LoadLibraryA(name) : nullptr) {}
    ~LibraryHandle() {
        if (module)
            FreeLibrary(module);
    }
    bool IsValid() const { return module != nullptr; }
    // Null when the library is not loaded or lacks the function.
    FARPROC Function(const char* name) const { return module ? GetProcAddress(module, name) : nullptr; }
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;

private:
    HMODULE module;
};
