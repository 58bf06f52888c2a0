// Reads of the registry: the App Paths entries of installed programs.
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
