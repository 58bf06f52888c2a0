// Folders of the prefix, found independently of the code under test.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <string>

// The temporary folder without its final backslash.
inline std::string TempFolder() {
    char buffer[MAX_PATH];
    GetTempPathA(MAX_PATH, buffer);
    std::string path = buffer;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

inline std::string TempFile(const std::string& name) { return TempFolder() + "\\" + name; }

// "" when the system has no such folder.
inline std::string FolderPath(int folderId) {
    char buffer[MAX_PATH] = "";
    if (SHGetFolderPathA(nullptr, folderId, nullptr, 0, buffer) != S_OK)
        return "";
    return buffer;
}
