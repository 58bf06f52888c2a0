// CRC-32 through every kernel, forced one by one, against zlib. Each case sits
// in an allocation of its exact size, so a kernel that reads one byte too far
// trips AddressSanitizer.
#include "tests/unit/Unit.h"

#include "foundation/Crc32.h"
#include "foundation/CrcKernels.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <vector>
#include <zlib.h>

namespace {

const unsigned kMaxLength = 1u << 20;

const unsigned char* Noise() {
    static std::vector<unsigned char> noise;
    if (noise.empty()) {
        std::mt19937 random(0x5EED1234u);
        noise.resize(kMaxLength + 64);
        for (unsigned char& b : noise)
            b = static_cast<unsigned char>(random() >> 24);
    }
    return noise.data();
}

// The kernel over `length` bytes from `bytes`, copied `alignment` bytes into a
// block that ends where they end.
unsigned Kernel(CrcKernel kernel, unsigned crc, const unsigned char* bytes, unsigned length, unsigned alignment) {
    std::vector<unsigned char> block(alignment + length);
    std::copy(bytes, bytes + length, block.begin() + alignment);
    return CrcKernelUpdate(kernel, crc, block.data() + alignment, length);
}

unsigned Zlib(unsigned length, unsigned offset) { return static_cast<unsigned>(crc32(0, Noise() + offset, length)); }

std::vector<CrcKernel> Kernels() {
    std::vector<CrcKernel> kernels;
    for (int k = 0; k < CrcKernelCount; k++)
        if (CrcKernelAvailable(static_cast<CrcKernel>(k)))
            kernels.push_back(static_cast<CrcKernel>(k));
        else
            MESSAGE("CRC kernel not on this processor, not tested: " << CrcKernelName(static_cast<CrcKernel>(k)));
    return kernels;
}

}  // namespace

TEST_CASE("CRC-32 check values through every kernel and the chosen one") {
    const struct { const char* text; unsigned length, crc; } rows[] = {
        {"", 0, 0x00000000u}, {"a", 1, 0xE8B7BE43u}, {"abc", 3, 0x352441C2u}, {"123456789", 9, 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 43, 0x414FA339u},
        {"\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32, 0x190A55ADu},
    };
    for (const auto& row : rows) {
        INFO("\"" << row.text << "\" (" << row.length << " bytes)");
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(row.text);
        for (CrcKernel k : Kernels())
            CHECK_MESSAGE(Kernel(k, 0, bytes, row.length, 0) == row.crc, CrcKernelName(k));
        ByteBuffer buffer;
        buffer.Assign(row.text, row.length);
        CHECK(Crc32(buffer) == row.crc);
        CHECK(Crc32(buffer) == row.crc); // the tables are built once and kept
    }
}

// Every length below 640 at every alignment below 32; random lengths up to
// 1 MiB whole; random buffers fed in pieces, empty, short and long.
TEST_CASE("every kernel agrees with zlib") {
    for (CrcKernel k : Kernels()) {
        unsigned failures = 0;
        for (unsigned length = 0; length < 640; length++)
            for (unsigned alignment = 0; alignment < 32; alignment++)
                if (Kernel(k, 0, Noise() + length % 7, length, alignment) != Zlib(length, length % 7) && failures++ < 5)
                    FAIL_CHECK(CrcKernelName(k) << ": " << length << " bytes at alignment " << alignment);
        CHECK(failures == 0);
        std::mt19937 random(0xC0FFEEu + k);
        for (int i = 0; i < 24; i++) {
            const unsigned length = random() % (kMaxLength + 1), alignment = random() % 64, offset = random() % 64;
            INFO(CrcKernelName(k) << ": " << length << " bytes at alignment " << alignment);
            CHECK(Kernel(k, 0, Noise() + offset, length, alignment) == Zlib(length, offset));
        }
        for (int round = 0; round < 6; round++) {
            const unsigned length = random() % (kMaxLength + 1), start = random() % 64;
            unsigned crc = 0, done = 0, pieces = 0;
            for (unsigned size; done < length; done += size, pieces++) {
                size = std::min<unsigned>(random() % (random() % 4 == 0 ? 70000 : 300), length - done);
                crc = Kernel(k, crc, Noise() + start + done, size, random() % 32);
            }
            INFO(CrcKernelName(k) << ": " << length << " bytes in " << pieces << " pieces");
            CHECK(crc == Zlib(length, start));
        }
    }
}

TEST_CASE("Crc32Update goes through the fastest kernel, which matches the processor's own list") {
    const CrcKernel chosen = CrcKernelChosen();
    CHECK(CrcKernelAvailable(chosen));
    for (int k = chosen + 1; k < CrcKernelCount; k++)
        CHECK_FALSE(CrcKernelAvailable(static_cast<CrcKernel>(k)));
    const unsigned char* whole = Noise() + 3;
    CHECK(Crc32Update(Crc32Update(0, whole, 300001), whole + 300001, 477776) == Zlib(777777, 3));
    CHECK(Crc32(whole, 777777) == Zlib(777777, 3));
    CHECK(Crc32Update(0x12345678u, whole, 0) == 0x12345678u);

    std::string flags = " ";
    if (FILE* f = fopen("/proc/cpuinfo", "r")) {
        char line[8192];
        while (flags.size() == 1 && fgets(line, sizeof line, f))
            if (strncmp(line, "flags", 5) == 0)
                flags += strchr(line, ':') + 1;
        fclose(f);
    }
    if (flags.size() == 1) {
        MESSAGE("no /proc/cpuinfo here; detection checked natively");
        return;
    }
    flags.back() = ' ';
    const auto has = [&](const char* flag) { return flags.find(std::string(" ") + flag + " ") != std::string::npos; };
    CHECK(CrcKernelAvailable(CrcKernelSlicing));
    CHECK(CrcKernelAvailable(CrcKernelFold) == (has("pclmulqdq") && has("sse2")));
    CHECK(CrcKernelAvailable(CrcKernelWideFold) == (has("vpclmulqdq") && has("avx2") && has("pclmulqdq")));
}
