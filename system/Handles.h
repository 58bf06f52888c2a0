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
