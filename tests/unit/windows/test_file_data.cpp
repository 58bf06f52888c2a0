// The file data services on real files of the prefix.
#include "tests/unit/Unit.h"

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "foundation/Crc32.h"
#include "foundation/Numbers.h"
#include "system/FileData.h"
#include "Folders.h"

TEST_CASE("file data: whole-file reads; an empty or missing file counts as unreadable") {
    const char* names[] = {"fd_long.bin", "fd_short.bin", "fd_empty.bin"};
    const std::string contents[] = {std::string(5000, 'L'), "abc", ""};
    for (int i = 0; i < 3; i++) {
        FILE* file = fopen(TempFile(names[i]).c_str(), "wb");
        REQUIRE(file != nullptr);
        fwrite(contents[i].data(), 1, contents[i].size(), file);
        fclose(file);
    }
    ByteBuffer buffer;
    CHECK_FALSE(ReadWholeFile(TempFile("fd_empty.bin").c_str(), buffer));
    CHECK_FALSE(ReadWholeFile(TempFile("fd_missing.bin").c_str(), buffer));
    REQUIRE(ReadWholeFile(TempFile("fd_long.bin").c_str(), buffer));
    CHECK(buffer.Size() == 5000);
    REQUIRE(ReadWholeFile(TempFile("fd_short.bin").c_str(), buffer)); // leaves exactly the short file
    CHECK((buffer.Size() == 3 && Crc32(buffer) == 0x352441C2u));
    for (const char* name : names)
        DeleteFileA(TempFile(name).c_str());
}

// Run by the end-to-end test that writes random files and their CRCs from
// Python's zlib into the manifest: lines of path, tab, CRC in hex, tab, size.
TEST_CASE("file data: CRC-32 of the files of a manifest" * doctest::skip()) {
    const char* manifest = getenv("CRC_MANIFEST");
    FILE* list = manifest ? fopen(manifest, "r") : nullptr;
    REQUIRE(list != nullptr);
    char path[1024];
    unsigned expected;
    int size, files = 0;
    ByteBuffer blocks; // one block buffer for all files
    while (fscanf(list, "%1023[^\t]\t%x\t%d\n", path, &expected, &size) == 3) {
        INFO("file " << path << " of " << size << " bytes");
        ByteBuffer buffer;
        unsigned crc = 0;
        CHECK(ReadWholeFile(path, buffer) == (size > 0));
        CHECK((buffer.Size() == static_cast<unsigned>(size) && Crc32(buffer) == expected));
        CHECK(FileCrc32(path, blocks, crc) == (size > 0)); // the same value read in blocks
        CHECK((size == 0 || crc == expected));
        files++;
    }
    fclose(list);
    CHECK(files > 0);
}
