// Files in the temporary folder, which is found independently of the code under test.
#pragma once

#include <doctest.h>
#include <stdio.h>
#include <windows.h>

#include <string>

// Without its final backslash.
inline std::string TempFolder() {
    char buffer[MAX_PATH];
    std::string path(buffer, GetTempPathA(MAX_PATH, buffer));
    return path.substr(0, path.find_last_not_of('\\') + 1);
}

inline std::string TempFile(const std::string& name) { return TempFolder() + "\\" + name; }

inline void WriteBytes(const std::string& path, const std::string& data) {
    FILE* file = fopen(path.c_str(), "wb");
    REQUIRE(file != nullptr);
    fwrite(data.data(), 1, data.size(), file);
    fclose(file);
}
