// Crc32 of a block, of a ByteBuffer and piecewise with Crc32Update, and
// every CRC kernel the processor can run, each against zlib's crc32.
#include <stdint.h>
#include <stdlib.h>

#include "FuzzInput.h"

#include <zlib.h>

#include "foundation/ByteBuffer.h"
#include "foundation/Crc32.h"
#include "foundation/CrcKernels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    unsigned expected = static_cast<unsigned>(crc32(0L, data, static_cast<uInt>(size)));
    unsigned length = static_cast<unsigned>(size);
    EXPECT(Crc32(data, length) == expected);
    ByteBuffer buffer;
    EXPECT(buffer.Assign(data, length) && Crc32(buffer) == expected);
    // Pieces of lengths taken from the data itself, odd sizes and offsets.
    unsigned crc = 0, at = 0;
    while (at < length) {
        unsigned piece = 1 + (data[at] * 7u) % 97u;
        if (piece > length - at)
            piece = length - at;
        crc = Crc32Update(crc, data + at, piece);
        at += piece;
    }
    EXPECT(crc == expected);
    // Every kernel the processor can run, from a preset register, in pieces.
    for (int k = 0; k < CrcKernelCount; k++) {
        CrcKernel kernel = static_cast<CrcKernel>(k);
        if (!CrcKernelAvailable(kernel))
            continue;
        unsigned half = length / 2;
        unsigned piecewise = CrcKernelUpdate(kernel, 0, data, half);
        piecewise = CrcKernelUpdate(kernel, piecewise, data + half, length - half);
        EXPECT(CrcKernelUpdate(kernel, 0, data, length) == expected);
        EXPECT(piecewise == expected);
    }
    return 0;
}
