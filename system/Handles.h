// Holders that close a Win32 handle on every path. Each notes the value
// its API uses for "no handle".
#pragma once

#include <windows.h>

// CreateFileA: INVALID_HANDLE_VALUE.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() {
        if (IsValid())
            CloseHandle(handle);
    }
    bool IsValid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

private:
    HANDLE handle;
};

// FindFirstFileA: INVALID_HANDLE_VALUE; closed with FindClose.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle(handle) {}
    ~FindHandle() {
        if (IsValid())
            FindClose(handle);
    }
    bool IsValid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

private:
    HANDLE handle;
};

// Process, thread and snapshot handles: null means none.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle(handle) {}
    ~KernelHandle() { Close(); }
    void Close() {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        handle = nullptr;
    }
    bool IsValid() const { return handle && handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

private:
    HANDLE handle;
};
