// The registry: the App Paths entries of installed programs, and the
// system's run-once entries.
#pragma once

#include <windows.h>

#include "foundation/String.h"

// One key under a predefined root. `handle` is null while the key is closed
// (RegOpenKeyExA gives no other "no key" value).
class RegistryKey {
public:
    RegistryKey(HKEY root, const char* subKey);
    virtual ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(REGSAM access);
    // Byte size of the value's data; 0 when closed or the query fails.
    unsigned ValueSize(const char* valueName);
    // The value's bytes, whatever its type; the target is unchanged on failure.
    bool ReadString(const char* valueName, String& target);
    void Close();
    // Open for reading, read, close.
    bool ReadValue(const char* valueName, String& target);

private:
    HKEY root;
    String subKey;
    HKEY handle;
};

// The program's entry under App Paths: its default value (the program's full
// path) when fullPath is set, otherwise its value "PATH".
bool FindAppPath(const char* fileName, String& target, bool fullPath);

// A command the system runs once at the next logon, under `name`: in the
// machine's RunOnce key where the process may write it (elevated), else in
// the user's; false when neither takes it.
bool SetRunOnce(const char* name, const char* command);
// The entry `name`, from both keys; true when none is left.
bool RemoveRunOnce(const char* name);
