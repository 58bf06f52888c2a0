// Crc32 of a block, of a ByteBuffer and piecewise with Crc32Update, each
// against zlib's crc32.
#include <stdint.h>
#include <stdlib.h>

#include "FuzzInput.h"

#include <zlib.h>

#include "foundation/ByteBuffer.h"
#include "foundation/Crc32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    unsigned expected = static_cast<unsigned>(crc32(0L, data, static_cast<uInt>(size)));
    unsigned length = static_cast<unsigned>(size);
    EXPECT(!(Crc32(data, length) != expected));
    ByteBuffer buffer;
    EXPECT(!(!buffer.Assign(data, length) || Crc32(buffer) != expected));
    // Pieces of lengths taken from the data itself, odd sizes and offsets.
    unsigned crc = 0, at = 0;
    while (at < length) {
        unsigned piece = 1 + (data[at] * 7u) % 97u;
        if (piece > length - at)
            piece = length - at;
        crc = Crc32Update(crc, data + at, piece);
        at += piece;
    }
    EXPECT(!(crc != expected));
    return 0;
}
