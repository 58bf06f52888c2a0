// The resource update's commit, which RSRC needs before it puts the updated
// copy in place: a file that cannot be written when the update ends answers
// false and stays as it was. (The languages, the copy beside the destination
// and its replacement are seen end to end in test_resources.py.)
#include <doctest.h>

#include <string.h>
#include <windows.h>

#include <string>

#include "Fixtures.h"
#include "system/FileData.h"
#include "system/Handles.h"
#include "system/Resources.h"

TEST_CASE("resource update: the commit answers whether the file was written") {
    char self[MAX_PATH];
    std::string module(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    module = module.substr(0, module.rfind('\\') + 1) + "resource_module.dll";
    const char data[] = "written by the test";
    struct Row { const char* name; bool commit, heldAtCommit; }; // held: open elsewhere, sharing nothing
    for (const Row& row : {Row{"ru_free.dll", true, false}, Row{"ru_held.dll", true, true},
                           Row{"ru_dropped.dll", false, false}}) {
        CAPTURE(row.name);
        std::string path = TempFile(row.name);
        REQUIRE(CopyFileA(module.c_str(), path.c_str(), FALSE));
        {
            ResourceUpdateHandle update(BeginUpdateResourceA(path.c_str(), FALSE));
            REQUIRE(WriteResource(update.Get(), "PAYLOAD", "ADDED", 0x0411, data, sizeof data));
            FileHandle holder(row.heldAtCommit ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                                             nullptr) : INVALID_HANDLE_VALUE);
            if (row.commit)
                CHECK(update.Commit() == !row.heldAtCommit);
        }
        LibraryHandle loaded(LoadModuleAsData(path.c_str()));
        const void* added = LoadResourceData(loaded.Get(), "ADDED", "PAYLOAD");
        CHECK((added && memcmp(added, data, sizeof data) == 0) == (row.commit && !row.heldAtCommit));
        loaded.Free();
        DeleteFileA(path.c_str());
    }
}
