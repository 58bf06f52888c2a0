// Every CRC-32 kernel, forced one by one, against zlib. Each case sits in an
// allocation of its exact size, so a kernel that reads one byte too far trips
// AddressSanitizer.
#include <doctest.h>

#include "foundation/Crc32.h"
#include "foundation/CrcKernels.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

const unsigned kMaxLength = 1u << 20;

const std::vector<unsigned char>& Noise() {
    static std::vector<unsigned char> noise;
    if (noise.empty()) {
        std::mt19937 random(0x5EED1234u);
        noise.resize(kMaxLength + 64);
        for (unsigned char& b : noise)
            b = static_cast<unsigned char>(random() >> 24);
    }
    return noise;
}

// The kernel over `length` bytes of noise from `offset`, copied `alignment`
// bytes into a block that ends where they end.
unsigned Kernel(CrcKernel kernel, unsigned crc, unsigned length, unsigned alignment, unsigned offset) {
    std::vector<unsigned char> block(alignment + length);
    if (length)
        memcpy(block.data() + alignment, Noise().data() + offset, length);
    return CrcKernelUpdate(kernel, crc, block.data() + alignment, length);
}

unsigned Zlib(unsigned length, unsigned offset) {
    return static_cast<unsigned>(crc32(0, Noise().data() + offset, length));
}

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

TEST_SUITE("CRC-32 kernels") {

TEST_CASE("check values through every kernel") {
    const struct {
        const char* text;
        unsigned length, crc;
    } rows[] = {
        {"", 0, 0x00000000u},
        {"a", 1, 0xE8B7BE43u},
        {"123456789", 9, 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 43, 0x414FA339u},
        {"\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32, 0x190A55ADu},
    };
    for (CrcKernel k : Kernels())
        for (const auto& row : rows) {
            INFO(CrcKernelName(k) << " on \"" << row.text << "\" (" << row.length << " bytes)");
            const std::vector<unsigned char> block(row.text, row.text + row.length);
            CHECK(CrcKernelUpdate(k, 0, block.data(), row.length) == row.crc);
        }
}

TEST_CASE("every length below 640 at every alignment below 32, and random ones up to 1 MiB, agree with zlib") {
    for (CrcKernel k : Kernels()) {
        unsigned failures = 0;
        for (unsigned length = 0; length < 640; length++)
            for (unsigned alignment = 0; alignment < 32; alignment++)
                if (Kernel(k, 0, length, alignment, length % 7) != Zlib(length, length % 7) && failures++ < 5)
                    FAIL_CHECK(CrcKernelName(k) << ": " << length << " bytes at alignment " << alignment);
        std::mt19937 random(0xC0FFEEu + k);
        for (int i = 0; i < 24; i++) {
            const unsigned length = random() % (kMaxLength + 1), alignment = random() % 64, offset = random() % 64;
            INFO(CrcKernelName(k) << ": " << length << " bytes at alignment " << alignment);
            CHECK(Kernel(k, 0, length, alignment, offset) == Zlib(length, offset));
        }
        CHECK(failures == 0);
    }
}

TEST_CASE("a buffer fed in random pieces, empty, short and long, gives the CRC of the whole") {
    for (CrcKernel k : Kernels()) {
        std::mt19937 random(0xFEEDu + k);
        for (int round = 0; round < 6; round++) {
            const unsigned length = random() % (kMaxLength + 1), start = random() % 64;
            unsigned crc = 0, done = 0, pieces = 0;
            for (unsigned size; done < length; done += size, pieces++) {
                size = std::min<unsigned>(random() % (random() % 4 == 0 ? 70000 : 300), length - done);
                crc = Kernel(k, crc, size, random() % 32, start + done);
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
    const unsigned char* whole = Noise().data() + 3;
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

}
