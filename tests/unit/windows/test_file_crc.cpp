// The CRC of a file read in blocks gives what the whole-file read gives, for
// sizes around the block size, and fails where the whole-file read fails.
#include <doctest.h>

#include <stdio.h>
#include <windows.h>

#include <string>

#include "Folders.h"
#include "foundation/Crc32.h"
#include "system/FileData.h"
#include "system/Handles.h"

namespace {

std::string Pattern(size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; i++) {
        seed = seed * 1103515245u + 12345u;
        data[i] = static_cast<char>(seed >> 16);
    }
    return data;
}

void Write(const std::string& path, const std::string& data) {
    FILE* file = fopen(path.c_str(), "wb");
    REQUIRE(file != nullptr);
    fwrite(data.data(), 1, data.size(), file);
    fclose(file);
}

} // namespace

TEST_CASE("file CRC: blocks agree with the whole-file read") {
    const size_t block = FileCrcBlockSize;
    const size_t sizes[] = {1, 3, block - 1, block, block + 1, 3 * block + 5, 200000, 2};
    std::string path = TempFile("fc_blocks.bin");
    ByteBuffer blocks, whole;
    for (size_t size : sizes) {
        CAPTURE(size);
        std::string data = Pattern(size, static_cast<unsigned>(size));
        Write(path, data);
        unsigned crc = 0;
        REQUIRE(FileCrc32(path.c_str(), blocks, crc));
        REQUIRE(ReadWholeFile(path.c_str(), whole));
        CHECK(crc == Crc32(whole));
        CHECK(crc == Crc32(data.data(), static_cast<unsigned>(size)));
        // Memory stays at one block however large the file.
        CHECK(blocks.Size() <= block);
    }
    DeleteFileA(path.c_str());
}

TEST_CASE("file CRC: unreadable files give false and leave the value") {
    std::string empty = TempFile("fc_empty.bin"), held = TempFile("fc_held.bin");
    Write(empty, "");
    Write(held, "abc");
    FileHandle holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    REQUIRE(holder.IsValid());
    struct Row {
        const char* label;
        std::string path;
    };
    const Row rows[] = {{"empty", empty},
                        {"missing", TempFile("fc_missing.bin")},
                        {"held open without sharing", held},
                        {"a directory", TempFolder()}};
    ByteBuffer blocks;
    for (const Row& row : rows) {
        CAPTURE(row.label);
        unsigned crc = 0x12345678;
        CHECK_FALSE(FileCrc32(row.path.c_str(), blocks, crc));
        CHECK(crc == 0x12345678u);
    }
    DeleteFileA(empty.c_str());
}
