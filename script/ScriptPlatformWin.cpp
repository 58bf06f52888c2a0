#include "ScriptPlatform.h"

#include <windows.h>

#include "system/Registry.h"
#include "system/Shell.h"

void ScriptReadProfileString(const char* file, const char* section, const char* key,
                             const char* absent, char* buffer, unsigned size) {
    GetPrivateProfileStringA(section, key, absent, buffer, size, file);
}

void ScriptReadProfileSection(const char* file, const char* section, char* buffer, unsigned size) {
    GetPrivateProfileSectionA(section, buffer, size, file);
}

void ScriptWindowsDirectory(String& target) {
    if (target.AllocBuffer(MAX_PATH))
        GetWindowsDirectoryA(target.Text(), MAX_PATH);
}

void ScriptSystemDirectory(String& target) {
    if (target.AllocBuffer(MAX_PATH))
        GetSystemDirectoryA(target.Text(), MAX_PATH);
}

void ScriptTempPath(String& target) {
    if (target.AllocBuffer(MAX_PATH))
        GetTempPathA(256, target.Text());
}

bool ScriptIsWindowsNT() { return IsWindowsNT(); }

bool ScriptSpecialFolder(String& target, int folderId) {
    return GetSpecialFolderPath(nullptr, target, folderId);
}

bool ScriptFindAppPath(const char* fileName, String& target, bool fullPath) {
    return FindAppPath(fileName, target, fullPath);
}
