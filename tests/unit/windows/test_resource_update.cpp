// The resource update's commit, whose result RSRC reports: a file that cannot
// be written when the update ends answers false and stays as it was.
#include <doctest.h>

#include <string.h>
#include <windows.h>

#include <string>

#include "Fixtures.h"
#include "system/FileData.h"
#include "system/Handles.h"
#include "system/Resources.h"

namespace {

// A copy of the test module next to this program (the build folder).
std::string ModuleCopy(const char* name) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string source = self;
    source = source.substr(0, source.rfind('\\') + 1) + "resource_module.dll";
    std::string copy = TempFile(name);
    REQUIRE(CopyFileA(source.c_str(), copy.c_str(), FALSE));
    return copy;
}

std::string Contents(const std::string& path) {
    ByteBuffer data;
    REQUIRE(ReadWholeFile(path.c_str(), data));
    return std::string(reinterpret_cast<const char*>(data.Data()), data.Size());
}

const char kData[] = "written by the test";

} // namespace

TEST_CASE("resource update: the commit answers whether the file was written") {
    struct Row {
        const char* name;
        bool commit;       // false: the update is dropped unended
        bool heldAtCommit; // another program has the file open, sharing nothing
    };
    const Row rows[] = {{"ru_free.dll", true, false}, {"ru_held.dll", true, true}, {"ru_dropped.dll", false, false}};
    for (const Row& row : rows) {
        CAPTURE(row.name);
        std::string path = ModuleCopy(row.name);
        std::string before = Contents(path);
        {
            ResourceUpdateHandle update(BeginUpdateResourceA(path.c_str(), FALSE));
            REQUIRE(update.IsValid());
            REQUIRE(WriteResource(update.Get(), "PAYLOAD", "ADDED", 0x0411, kData, sizeof kData));
            FileHandle holder(row.heldAtCommit ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                             0, nullptr)
                                               : INVALID_HANDLE_VALUE);
            REQUIRE(holder.IsValid() == row.heldAtCommit);
            if (row.commit)
                CHECK(update.Commit() == !row.heldAtCommit);
        }
        const bool written = row.commit && !row.heldAtCommit;
        LibraryHandle module(LoadModuleAsData(path.c_str()));
        REQUIRE(module.IsValid());
        const void* added = LoadResourceData(module.Get(), "ADDED", "PAYLOAD");
        CHECK((added != nullptr) == written);
        if (added)
            CHECK(memcmp(added, kData, sizeof kData) == 0);
        module.Free();
        if (!written)
            CHECK(Contents(path) == before);
        DeleteFileA(path.c_str());
    }
}

TEST_CASE("resource languages: the first one listed, or the value kept") {
    std::string path = ModuleCopy("ru_languages.dll");
    LibraryHandle module(LoadModuleAsData(path.c_str()));
    REQUIRE(module.IsValid());
    struct Row { const char* type; const char* name; WORD start, expected; };
    const Row rows[] = {
        {"#10", "ENGLISHONLY", 0x0411, 0x0409},
        {"PAYLOAD", "SETTINGS", 0x0409, 0x0411},
        {"#10", "BOTH", 0x0411, 0x0409},   // listed in order of their numbers
        {"#10", "NOSUCH", 0x0407, 0x0407}, // not held: the value stays
        {"NOSUCH", "SETTINGS", 0x0411, 0x0411},
    };
    for (const Row& row : rows) {
        CAPTURE(row.type);
        CAPTURE(row.name);
        WORD language = row.start;
        FirstResourceLanguage(module.Get(), row.type, row.name, language);
        CHECK(language == row.expected);
    }
    module.Free();
    DeleteFileA(path.c_str());
}
