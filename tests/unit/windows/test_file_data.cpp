// The file data services on real files of the prefix.
#include <doctest.h>

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>

#include "foundation/Crc32.h"
#include "foundation/Numbers.h"
#include "system/FileData.h"
#include "Folders.h"

namespace {

void WriteFile(const std::string& path, const std::string& content) {
    FILE* file = fopen(path.c_str(), "wb");
    REQUIRE(file != nullptr);
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

} // namespace

TEST_CASE("file data: PathExists matches files, directories and patterns") {
    std::string folder = TempFile("fd_exists");
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFile(folder + "\\one.txt", "1");
    CHECK(PathExists(folder.c_str()));
    CHECK(PathExists((folder + "\\one.txt").c_str()));
    CHECK(PathExists((folder + "\\*.txt").c_str()));
    CHECK_FALSE(PathExists((folder + "\\*.doc").c_str()));
    CHECK_FALSE(PathExists((folder + "\\two.txt").c_str()));
    DeleteFileA((folder + "\\one.txt").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_CASE("file data: whole-file reads") {
    std::string longer = TempFile("fd_long.bin"), shorter = TempFile("fd_short.bin");
    std::string empty = TempFile("fd_empty.bin");
    WriteFile(longer, std::string(5000, 'L'));
    WriteFile(shorter, "abc");
    WriteFile(empty, "");
    ByteBuffer buffer;
    CHECK_FALSE(ReadWholeFile(empty.c_str(), buffer));
    CHECK_FALSE(ReadWholeFile(TempFile("fd_missing.bin").c_str(), buffer));
    REQUIRE(ReadWholeFile(longer.c_str(), buffer));
    CHECK(buffer.Size() == 5000);
    // The second read leaves exactly the short file.
    REQUIRE(ReadWholeFile(shorter.c_str(), buffer));
    CHECK(buffer.Size() == 3);
    CHECK(Crc32(buffer) == 0x352441C2u);
    DeleteFileA(longer.c_str());
    DeleteFileA(shorter.c_str());
    DeleteFileA(empty.c_str());
}

// Run by the end-to-end test that writes random files and their CRCs from
// Python's zlib into the manifest: lines of path, tab, CRC in hex, tab, size.
TEST_CASE("file data: CRC-32 of the files of a manifest" * doctest::skip()) {
    const char* manifest = getenv("CRC_MANIFEST");
    REQUIRE(manifest != nullptr);
    FILE* list = fopen(manifest, "r");
    REQUIRE(list != nullptr);
    char line[1024];
    int files = 0;
    ByteBuffer blocks;
    while (fgets(line, sizeof line, list)) {
        char* crcText = strchr(line, '\t');
        REQUIRE(crcText != nullptr);
        *crcText++ = 0;
        char* sizeText = strchr(crcText, '\t');
        REQUIRE(sizeText != nullptr);
        unsigned expected = ParseHex(crcText);
        int size = ParseInt(sizeText + 1);
        INFO("file " << line << " of " << size << " bytes");
        ByteBuffer buffer;
        bool read = ReadWholeFile(line, buffer);
        CHECK(read == (size > 0)); // an empty file counts as unreadable
        CHECK(buffer.Size() == static_cast<unsigned>(size));
        CHECK(Crc32(buffer) == expected);
        // The same value read in blocks, through one block buffer for all files.
        unsigned crc = 0;
        CHECK(FileCrc32(line, blocks, crc) == (size > 0));
        if (size > 0)
            CHECK(crc == expected);
        files++;
    }
    fclose(list);
    CHECK(files > 0);
}
