// CRC-32 through every kernel, forced one by one, against zlib. Each case sits
// in an allocation of its exact size, so a kernel that reads one byte too far
// trips AddressSanitizer. Built twice: on this processor, and on stand-in
// intrinsics of a processor with every feature (CRC_KERNELS_EMULATED).
#include "tests/unit/Unit.h"

#include "foundation/Crc32.h"
#include "foundation/CrcKernels.h"

#include <algorithm>
#include <random>
#include <vector>
#include <zlib.h>

namespace {

const unsigned kMaxLength = 1u << 20;

const std::vector<unsigned char> kNoise = [] {
    std::vector<unsigned char> bytes(kMaxLength + 64);
    std::mt19937 random(0x5EED1234u);
    for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(random() >> 24);
    return bytes;
}();

// The kernel over `length` bytes, copied `alignment` bytes into a block that
// ends where they end.
unsigned Kernel(CrcKernel kernel, unsigned crc, const void* bytes, unsigned length, unsigned alignment) {
    std::vector<unsigned char> block(alignment + length);
    std::copy_n(static_cast<const unsigned char*>(bytes), length, block.begin() + alignment);
    return CrcKernelUpdate(kernel, crc, block.data() + alignment, length);
}

unsigned Zlib(unsigned length, unsigned offset) { return static_cast<unsigned>(crc32(0, &kNoise[offset], length)); }

}  // namespace

// The check values; every length up to two rounds of the widest kernel and
// its tails, at several alignments; random lengths up to 1 MiB, whole and
// fed in pieces.
TEST_CASE("every kernel gives the check values and agrees with zlib") {
    static const char zeros[32] = {};
    const struct { const char* text; unsigned length, crc; } rows[] = {
        {"", 0, 0x00000000u}, {"a", 1, 0xE8B7BE43u}, {"abc", 3, 0x352441C2u}, {"123456789", 9, 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 43, 0x414FA339u}, {zeros, 32, 0x190A55ADu}};
    for (int k = 0; k < CrcKernelCount; k++) {
        const CrcKernel kernel = static_cast<CrcKernel>(k);
        INFO(S(CrcKernelName(kernel)));
        if (!CrcKernelAvailable(kernel)) {
            MESSAGE("not on this processor, not tested");
            continue;
        }
        for (const auto& row : rows)
            CHECK_MESSAGE(Kernel(kernel, 0, row.text, row.length, 0) == row.crc, row.length << " bytes");
        for (unsigned length = 0; length < 1100; length++)
            for (unsigned alignment = 0; alignment < 32; alignment += 5)
                if (Kernel(kernel, 0, &kNoise[length % 7], length, alignment) != Zlib(length, length % 7))
                    FAIL(length << " bytes at alignment " << alignment); // the first failure ends the case
        std::mt19937 random(0xC0FFEEu + k);
        for (int round = 0; round < 12; round++) {
            const bool whole = round % 2;
            const unsigned length = random() % (kMaxLength + 1), start = random() % 64;
            unsigned crc = 0, done = 0, pieces = 0;
            for (unsigned size; done < length; done += size, pieces++) {
                size = whole ? length : std::min<unsigned>(random() % (random() % 4 == 0 ? 70000 : 300), length - done);
                crc = Kernel(kernel, crc, &kNoise[start + done], size, random() % 64);
            }
            INFO(length << " bytes in " << pieces << " pieces");
            CHECK(crc == Zlib(length, start));
        }
    }
}

TEST_CASE("Crc32 goes through the fastest kernel the processor has") {
    const CrcKernel chosen = CrcKernelChosen();
    for (int k = CrcKernelSlicing; k < CrcKernelCount; k++)
        CHECK(CrcKernelAvailable(static_cast<CrcKernel>(k)) == (k <= chosen));
    ByteBuffer nine;
    nine.Assign("123456789", 9);
    CHECK(Crc32(nine) == 0xCBF43926u);
    CHECK(Crc32Update(Crc32Update(0, &kNoise[3], 300001), &kNoise[300004], 477776) == Zlib(777777, 3));
    CHECK(Crc32Update(0x12345678u, &kNoise[0], 0) == 0x12345678u);
}
