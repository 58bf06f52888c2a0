// Every CRC-32 kernel, forced one by one, against zlib: random lengths up to
// 1 MiB at random alignments, every short length at every alignment, and a
// buffer fed in random pieces. Each case sits in an allocation of its exact
// size, so a kernel that reads one byte too far trips AddressSanitizer.
#include <doctest.h>

#include "foundation/Crc32.h"
#include "foundation/CrcKernels.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>
#include <zlib.h>

namespace {

const unsigned kMaxLength = 1u << 20;

struct Random {
    unsigned long long s;
    explicit Random(unsigned long long seed) : s(seed) {}
    unsigned long long Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
};

const std::vector<unsigned char>& Noise() {
    static std::vector<unsigned char> noise;
    if (noise.empty()) {
        Random random(0x5EED1234ABCDull);
        noise.resize(kMaxLength + 64);
        for (unsigned char& b : noise)
            b = static_cast<unsigned char>(random.Next() >> 56);
    }
    return noise;
}

unsigned Zlib(const unsigned char* p, unsigned n) {
    return static_cast<unsigned>(crc32(0, p, n));
}

// `length` bytes of noise starting `alignment` bytes into a fresh block
// that ends exactly where they end.
struct Case {
    std::vector<unsigned char> block;
    const unsigned char* bytes;
    Case(unsigned length, unsigned alignment, unsigned offset)
        : block(alignment + length), bytes(block.data() + alignment) {
        if (length)
            memcpy(block.data() + alignment, Noise().data() + offset, length);
    }
};

struct KernelRow {
    CrcKernel kernel;
    const char* name;
};

std::vector<KernelRow> Kernels() {
    std::vector<KernelRow> rows;
    for (int k = 0; k < CrcKernelCount; k++) {
        CrcKernel kernel = static_cast<CrcKernel>(k);
        if (CrcKernelAvailable(kernel))
            rows.push_back({kernel, CrcKernelName(kernel)});
        else
            MESSAGE("CRC kernel not on this processor, not tested: " << std::string(CrcKernelName(kernel)));
    }
    return rows;
}

std::string Flags() {
    std::string flags;
    FILE* f = fopen("/proc/cpuinfo", "r");
    if (!f)
        return flags;
    char line[8192];
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "flags", 5) == 0) {
            flags = std::string(" ") + (strchr(line, ':') + 1);
            flags.back() = ' ';
            break;
        }
    fclose(f);
    return flags;
}

}  // namespace

TEST_SUITE("CRC-32 kernels") {

TEST_CASE("check values through every kernel") {
    const struct {
        const char* text;
        unsigned length;
        unsigned crc;
    } rows[] = {
        {"", 0, 0x00000000u},
        {"a", 1, 0xE8B7BE43u},
        {"abc", 3, 0x352441C2u},
        {"123456789", 9, 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 43, 0x414FA339u},
        {"\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32, 0x190A55ADu},
    };
    for (const KernelRow& k : Kernels())
        for (const auto& row : rows) {
            INFO(k.name << " on \"" << row.text << "\" (" << row.length << " bytes)");
            const std::vector<unsigned char> block(row.text, row.text + row.length);
            CHECK(CrcKernelUpdate(k.kernel, 0, block.data(), row.length) == row.crc);
        }
}

TEST_CASE("random lengths up to 1 MiB at random alignments agree with zlib") {
    for (const KernelRow& k : Kernels()) {
        Random random(0xC0FFEEull + k.kernel);
        for (int i = 0; i < 48; i++) {
            // Half of the lengths below 4 KiB, where the loop edges are.
            const unsigned length = i % 2 ? random.Below(kMaxLength + 1) : random.Below(4096);
            const unsigned alignment = random.Below(64), offset = random.Below(64);
            Case c(length, alignment, offset);
            INFO(k.name << ": " << length << " bytes at alignment " << alignment);
            CHECK(CrcKernelUpdate(k.kernel, 0, c.bytes, length) == Zlib(c.bytes, length));
        }
    }
}

TEST_CASE("every length below 640 at every alignment below 32 agrees with zlib") {
    for (const KernelRow& k : Kernels()) {
        unsigned failures = 0;
        for (unsigned length = 0; length < 640; length++)
            for (unsigned alignment = 0; alignment < 32; alignment++) {
                Case c(length, alignment, length % 7);
                if (CrcKernelUpdate(k.kernel, 0, c.bytes, length) != Zlib(c.bytes, length) &&
                    failures++ < 5)
                    FAIL_CHECK(k.name << ": " << length << " bytes at alignment " << alignment);
            }
        INFO(k.name);
        CHECK(failures == 0);
    }
}

TEST_CASE("a buffer fed in random pieces gives the CRC of the whole") {
    for (const KernelRow& k : Kernels()) {
        Random random(0xFEEDull + k.kernel);
        for (int round = 0; round < 6; round++) {
            const unsigned length = random.Below(kMaxLength + 1);
            const unsigned char* whole = Noise().data() + random.Below(64);
            unsigned crc = 0, done = 0, pieces = 0;
            while (done < length) {
                // Empty pieces, short ones and long ones.
                const unsigned limit = (random.Below(4) == 0 ? 70000 : 300);
                unsigned size = random.Below(limit);
                if (size > length - done)
                    size = length - done;
                Case piece(size, random.Below(32), static_cast<unsigned>(whole - Noise().data()) + done);
                crc = CrcKernelUpdate(k.kernel, crc, piece.bytes, size);
                done += size;
                pieces++;
            }
            INFO(k.name << ": " << length << " bytes in " << pieces << " pieces");
            CHECK(crc == Zlib(whole, length));
        }
    }
}

TEST_CASE("Crc32Update goes through the fastest kernel the processor has") {
    const CrcKernel chosen = CrcKernelChosen();
    CHECK(CrcKernelAvailable(chosen));
    for (int k = chosen + 1; k < CrcKernelCount; k++)
        CHECK_FALSE(CrcKernelAvailable(static_cast<CrcKernel>(k)));
    MESSAGE("Crc32Update uses " << std::string(CrcKernelName(chosen)));

    Random random(0xABCDEFull);
    const unsigned char* whole = Noise().data() + 3;
    const unsigned length = 777777;
    unsigned crc = 0, done = 0;
    while (done < length) {
        unsigned size = random.Below(100000);
        if (size > length - done)
            size = length - done;
        crc = Crc32Update(crc, whole + done, size);
        done += size;
    }
    CHECK(crc == Zlib(whole, length));
    CHECK(Crc32(whole, length) == Zlib(whole, length));
    CHECK(Crc32Update(0, whole, 0) == 0u);
    CHECK(Crc32Update(0x12345678u, whole, 0) == 0x12345678u);
}

TEST_CASE("the processor features seen through CPUID match the system's own list") {
    const std::string flags = Flags();
    if (flags.empty()) {
        MESSAGE("no /proc/cpuinfo here; detection checked natively");
        return;
    }
    const auto has = [&](const char* flag) { return flags.find(std::string(" ") + flag + " ") != std::string::npos; };
    const struct {
        CrcKernel kernel;
        bool expected;
    } rows[] = {
        {CrcKernelTable, true},
        {CrcKernelSlicing, true},
        {CrcKernelFold, has("pclmulqdq") && has("sse2")},
        {CrcKernelWideFold, has("vpclmulqdq") && has("avx2") && has("pclmulqdq")},
    };
    for (const auto& row : rows) {
        INFO(CrcKernelName(row.kernel));
        CHECK(CrcKernelAvailable(row.kernel) == row.expected);
    }
}

}
