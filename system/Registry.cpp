#include "Registry.h"

RegistryKey::RegistryKey(HKEY root, const char* subKey) : root(root), subKey(subKey), handle(nullptr) {}

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::Open(REGSAM access) {
    Close();
    if (!root)
        return false;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, subKey.Text(), 0, access, &opened) != ERROR_SUCCESS)
        return false;
    handle = opened;
    return true;
}

unsigned RegistryKey::ValueSize(const char* valueName) {
    if (!handle)
        return 0;
    DWORD size = 0;
    if (RegQueryValueExA(handle, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

bool RegistryKey::ReadString(const char* valueName, String& target) {
    unsigned size = ValueSize(valueName);
    if (!size || !handle)
        return false;
    // One byte more than the data, left zero: a text stored without its
    // terminator still ends inside the block.
    String data;
    if (!data.AllocBuffer(size + 1))
        return false;
    DWORD read = size;
    if (RegQueryValueExA(handle, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data.Text()),
                         &read) != ERROR_SUCCESS)
        return false;
    target = data;
    return true;
}

void RegistryKey::Close() {
    if (handle)
        RegCloseKey(handle);
    handle = nullptr;
}

bool RegistryKey::ReadValue(const char* valueName, String& target) {
    bool read = Open(KEY_READ) && ReadString(valueName, target);
    Close();
    return read;
}

bool FindAppPath(const char* fileName, String& target, bool fullPath) {
    String path = String("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + fileName;
    RegistryKey key(HKEY_LOCAL_MACHINE, path.Text());
    return key.ReadValue(fullPath ? "" : "PATH", target);
}

static const char RunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

static bool SetValueIn(HKEY root, const char* name, const char* command) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, RunOnceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool set = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                              static_cast<DWORD>(lstrlenA(command) + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

bool SetRunOnce(const char* name, const char* command) {
    return SetValueIn(HKEY_LOCAL_MACHINE, name, command) || SetValueIn(HKEY_CURRENT_USER, name, command);
}

static bool RemoveValueIn(HKEY root, const char* name) {
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(root, RunOnceKey, 0, KEY_SET_VALUE, &key);
    // A key this process may not write holds nothing it wrote.
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND || opened == ERROR_ACCESS_DENIED;
    LONG removed = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

bool RemoveRunOnce(const char* name) {
    bool machine = RemoveValueIn(HKEY_LOCAL_MACHINE, name);
    return RemoveValueIn(HKEY_CURRENT_USER, name) && machine;
}
