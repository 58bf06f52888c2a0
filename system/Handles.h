// Holders that close a Win32 handle on every path. Each notes the value
// its API uses for "no handle".
#pragma once

#include <windows.h>

#include "Libraries.h"

// Kernel handles, each kind closed by its own function. Which value means
// "none" depends on the function that opened it: INVALID_HANDLE_VALUE for
// files, searches and snapshots, null for processes and threads.
enum class NoHandle { InvalidValue, Null };

template <BOOL(WINAPI* CloseFunction)(HANDLE), NoHandle None>
class HandleHolder {
public:
    explicit HandleHolder(HANDLE handle) : handle(handle) {}
    ~HandleHolder() {
        if (IsValid())
            CloseFunction(handle);
    }
    bool IsValid() const {
        return None == NoHandle::Null ? handle != nullptr : handle != INVALID_HANDLE_VALUE;
    }
    HANDLE Get() const { return handle; }
    HANDLE Release() {
        HANDLE held = handle;
        handle = None == NoHandle::Null ? nullptr : INVALID_HANDLE_VALUE;
        return held;
    }
    HandleHolder(const HandleHolder&) = delete;
    HandleHolder& operator=(const HandleHolder&) = delete;

private:
    HANDLE handle;
};

typedef HandleHolder<CloseHandle, NoHandle::InvalidValue> FileHandle;     // CreateFileA
typedef HandleHolder<FindClose, NoHandle::InvalidValue> FindHandle;       // FindFirstFileA
typedef HandleHolder<CloseHandle, NoHandle::InvalidValue> SnapshotHandle; // CreateToolhelp32Snapshot
typedef HandleHolder<CloseHandle, NoHandle::Null> KernelHandle;           // CreateProcess, OpenProcess

// A library loaded at run time from the system folder (null for none); a
// null name loads nothing. A module loaded another way (LoadLibraryEx as data) is
// handed over loaded.
class LibraryHandle {
public:
    explicit LibraryHandle(const char* name) : module(name ? LoadSystemLibrary(name) : nullptr) {}
    explicit LibraryHandle(HMODULE loaded) : module(loaded) {}
    ~LibraryHandle() { Free(); }
    bool IsValid() const { return module != nullptr; }
    HMODULE Get() const { return module; }
    void Free() {
        if (module)
            FreeLibrary(module);
        module = nullptr;
    }
    // Null when the library is not loaded or lacks the function.
    FARPROC Function(const char* name) const { return module ? GetProcAddress(module, name) : nullptr; }
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;

private:
    HMODULE module;
};

// Global memory (GlobalAlloc); "none" is NULL. Release() hands it over to
// whoever frees it from then on, such as the clipboard.
class GlobalMemory {
public:
    explicit GlobalMemory(HGLOBAL memory) : memory(memory) {}
    ~GlobalMemory() {
        if (memory)
            GlobalFree(memory);
    }
    bool IsValid() const { return memory != nullptr; }
    HGLOBAL Get() const { return memory; }
    HGLOBAL Release() {
        HGLOBAL handedOver = memory;
        memory = nullptr;
        return handedOver;
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;

private:
    HGLOBAL memory;
};

// A COM interface pointer, released once; "none" is null. Fill() gives the
// out-parameter of CoCreateInstance and QueryInterface.
template <class Interface>
class ComInterface {
public:
    ComInterface() : pointer(nullptr) {}
    ~ComInterface() {
        if (pointer)
            pointer->Release();
    }
    bool IsValid() const { return pointer != nullptr; }
    Interface* operator->() const { return pointer; }
    Interface* Get() const { return pointer; }
    void** Fill() { return reinterpret_cast<void**>(&pointer); }
    ComInterface(const ComInterface&) = delete;
    ComInterface& operator=(const ComInterface&) = delete;

private:
    Interface* pointer;
};

// A pending resource update (BeginUpdateResource); "none" is NULL. Every
// change is discarded unless Commit() writes them.
class ResourceUpdateHandle {
public:
    explicit ResourceUpdateHandle(HANDLE update) : update(update) {}
    ~ResourceUpdateHandle() {
        if (update)
            EndUpdateResourceA(update, TRUE);
    }
    bool IsValid() const { return update != nullptr; }
    HANDLE Get() const { return update; }
    // True only when the file has been written.
    bool Commit() {
        HANDLE ending = update;
        update = nullptr;
        return ending && EndUpdateResourceA(ending, FALSE);
    }
    ResourceUpdateHandle(const ResourceUpdateHandle&) = delete;
    ResourceUpdateHandle& operator=(const ResourceUpdateHandle&) = delete;

private:
    HANDLE update;
};
