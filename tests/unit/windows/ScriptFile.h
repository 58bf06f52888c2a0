// A script in the temporary folder, under a name of its own for every case
// (the profile functions may keep a file they have read in a cache); it
// becomes the run's script for the life of the object.
#pragma once

#include <doctest.h>

#include <stdio.h>
#include <windows.h>

#include <string>

#include "Folders.h"
#include "script/RunContext.h"

class ScriptFile {
public:
    ScriptFile(const char* stem, const std::string& content) {
        static int serial;
        path = TempFile(stem + ("_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial)) + ".ini");
        FILE* file = fopen(path.c_str(), "wb");
        REQUIRE(file != nullptr);
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
        runContext.scriptPath.Assign(path.c_str());
    }
    ~ScriptFile() { DeleteFileA(path.c_str()); }
    const char* Path() const { return path.c_str(); }

private:
    std::string path;
};
