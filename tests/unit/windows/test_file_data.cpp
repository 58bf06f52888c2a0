// Whole-file reads and the CRC read in blocks, on real files, against zlib.
#include <doctest.h>

#include <string.h>
#include <windows.h>
#include <zlib.h>

#include "Fixtures.h"
#include "system/FileData.h"
#include "system/Handles.h"

// A file held without sharing and a folder are unreadable, and leave the CRC as it was.
TEST_CASE("file data: both reads give the file and zlib's CRC, across block edges; the block stays one block") {
    const size_t block = FileCrcBlockSize, sizes[] = {1, block - 1, block, block + 1, 2 * block + 65537, 3};
    std::string path = TempFile("fd_sizes.bin");
    ByteBuffer blocks, whole;
    for (size_t size : sizes) { // the short file last: a read must leave exactly it
        CAPTURE(size);
        std::string data(size, '\0');
        for (size_t i = 0; i < size; i++)
            data[i] = static_cast<char>((i * 2654435761u) >> 13);
        WriteBytes(path, data);
        unsigned crc = 0;
        REQUIRE(FileCrc32(path.c_str(), blocks, crc));
        CHECK(crc == crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(size)));
        CHECK(blocks.Size() <= block);
        REQUIRE(ReadWholeFile(path.c_str(), whole));
        CHECK((whole.Size() == size && memcmp(whole.Data(), data.data(), size) == 0));
    }
    FileHandle holder(
        CreateFileA(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    REQUIRE(holder.IsValid());
    for (const std::string& unreadable : {path, TempFolder()}) {
        CAPTURE(unreadable);
        unsigned crc = 0x12345678;
        CHECK((!FileCrc32(unreadable.c_str(), blocks, crc) && crc == 0x12345678u));
        CHECK_FALSE(ReadWholeFile(unreadable.c_str(), whole));
    }
}
