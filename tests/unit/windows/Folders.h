// Folders of the prefix, found independently of the code under test.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <string>

// The temporary folder without its final backslash.
inline std::string TempFolder() {
    char buffer[MAX_PATH];
    std::string path(buffer, GetTempPathA(MAX_PATH, buffer));
    return path.substr(0, path.find_last_not_of('\\') + 1);
}

inline std::string TempFile(const std::string& name) { return TempFolder() + "\\" + name; }

// "" when the system has no such folder.
inline std::string FolderPath(int folderId) {
    char buffer[MAX_PATH] = "";
    return SHGetFolderPathA(nullptr, folderId, nullptr, 0, buffer) == S_OK ? buffer : "";
}
