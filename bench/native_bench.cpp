// The native half of the benchmark: CRC-32 in memory (each kernel, zlib and
// a plain read of the same buffer) and the hostile 32 KiB values. Prints
// "row<TAB>name<TAB>value" lines, best of interleaved rounds.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>
#include <zlib.h>

#include "foundation/CrcKernels.h"
#include "foundation/String.h"
#include "script/Expand.h"
#include "script/RunContext.h"

// The run context the script layer reads; start-up defines it in the program.
RunContext runContext;

static double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

static volatile unsigned long long sink;

// The floor: every byte of the buffer loaded once, in the widest vectors
// the processor has, and folded so the loads cannot be dropped.
__attribute__((noinline, target("avx2"))) static unsigned long long ReadWide(const unsigned char* p, size_t n) {
    typedef long long V __attribute__((vector_size(32), aligned(1)));
    const V* v = reinterpret_cast<const V*>(p);
    V a = {}, b = {}, c = {}, d = {};
    for (size_t i = 0; i + 4 <= n / 32; i += 4) {
        a ^= v[i];
        b ^= v[i + 1];
        c ^= v[i + 2];
        d ^= v[i + 3];
    }
    a ^= b ^ c ^ d;
    return a[0] ^ a[1] ^ a[2] ^ a[3];
}

__attribute__((noinline)) static unsigned long long ReadWords(const unsigned char* p, size_t n) {
    const unsigned long long* w = reinterpret_cast<const unsigned long long*>(p);
    unsigned long long a = 0, b = 0, c = 0, d = 0;
    for (size_t i = 0; i + 4 <= n / 8; i += 4) {
        a ^= w[i];
        b ^= w[i + 1];
        c ^= w[i + 2];
        d ^= w[i + 3];
    }
    return a ^ b ^ c ^ d;
}

static unsigned long long ReadAll(const unsigned char* p, size_t n) {
    return __builtin_cpu_supports("avx2") ? ReadWide(p, n) : ReadWords(p, n);
}

struct Method {
    std::string name;
    int kernel; // -2 the plain read, -1 zlib
    double best;
};

static void CrcInMemory(const char* row, size_t n, int rounds) {
    std::vector<unsigned char> buffer(n);
    unsigned long long s = 88172645463325252ull;
    for (size_t i = 0; i < n; i += 8) {
        s ^= s << 13, s ^= s >> 7, s ^= s << 17;
        memcpy(&buffer[i], &s, 8);
    }
    const unsigned char* p = buffer.data();
    std::vector<Method> methods;
    methods.push_back({"read", -2, 1e9});
    methods.push_back({"zlib", -1, 1e9});
    for (int k = 0; k < CrcKernelCount; k++)
        if (CrcKernelAvailable(static_cast<CrcKernel>(k)))
            methods.push_back({CrcKernelName(static_cast<CrcKernel>(k)), k, 1e9});
    const unsigned expected = static_cast<unsigned>(crc32(0, p, static_cast<unsigned>(n)));
    for (int round = 0; round < rounds; round++)
        for (Method& m : methods) {
            double start = Now();
            if (m.kernel == -2) {
                sink = ReadAll(p, n);
            } else if (m.kernel == -1) {
                sink = crc32(0, p, static_cast<unsigned>(n));
            } else {
                const unsigned crc = CrcKernelUpdate(static_cast<CrcKernel>(m.kernel), 0, p, n);
                if (crc != expected) {
                    fprintf(stderr, "%s gave %08x, zlib %08x\n", m.name.c_str(), crc, expected);
                    exit(1);
                }
            }
            double t = Now() - start;
            if (t < m.best)
                m.best = t;
        }
    for (const Method& m : methods)
        printf("%s\t%s\t%.3f\n", row, m.name.c_str(), n / m.best / 1e9);
}

// Short inputs in the cache, each length repeated to 1 MiB: where a wider
// kernel's set-up and tail could cost more than its loop saves. The kernels
// are called directly: CrcKernelUpdate asks CPUID on every call.
static void CrcByLength(int rounds) {
    static const unsigned lengths[] = {64, 256, 512, 1024, 4096, 65536};
    std::vector<unsigned char> buffer(65536, 0x5A);
    const CrcKernelFunction kernels[] = {CrcFoldKernel(), CrcWideFoldKernel(), CrcZmmFoldKernel()};
    for (unsigned length : lengths)
        for (int k = CrcKernelFold; k < CrcKernelCount; k++) {
            const CrcKernelFunction kernel = kernels[k - CrcKernelFold];
            if (!kernel)
                continue;
            double best = 1e9;
            for (int round = 0; round < rounds; round++) {
                double start = Now();
                for (unsigned done = 0; done < (1u << 20); done += length)
                    sink = kernel(static_cast<unsigned>(sink), buffer.data(), length);
                best = std::min(best, Now() - start);
            }
            printf("crclen\t%s, %u bytes\t%.3f\n", CrcKernelName(static_cast<CrcKernel>(k)), length, (1u << 20) / best / 1e9);
        }
}

typedef void (*Work)(String& value);

struct Hostile {
    const char* name;
    std::string value;
    Work work;
    double best;
};

static void Collapse(String& v) { CollapseParents(v); }
static void Functions(String& v) { ExpandFunctions(v); }
static void Macros(String& v) { ExpandMacros(v); }
// 0x81 0x81 and 0x82 0x81 are full-width characters, 0x81 0x41 the
// ideographic comma: every 0x81 of the text is a candidate to test.
static void TrimWide(String& v) { v.Trim("", "\x81\x81"); }
static void CountWide(String& v) { sink = v.ItemCount("\x81\x41"); }

static std::string Repeat(const std::string& piece, size_t length) {
    std::string s;
    while (s.size() + piece.size() <= length)
        s += piece;
    return s;
}

static void HostileValues(int rounds) {
    const size_t limit = 32767;
    std::string words;
    for (int i = 0; i < 16000; i++)
        words += i ? " w" : "w";
    runContext.commandLine = String(words.c_str());
    std::vector<Hostile> rows = {
        {"CollapseParents of \"\\\\\" x 32764 + \"\\\\..\"", std::string(32764, '\\') + "\\..", Collapse, 1e9},
        {"{?Param\\0\\-1} over 16,000 words", "{?Param\\0\\-1}", Functions, 1e9},
        {"ExpandMacros of \"<Nope>\" repeated", Repeat("<Nope>", limit), Macros, 1e9},
        {"Trim of 0x81 0x81 from 32,766 bytes 0x81", std::string(limit - 1, '\x81'), TrimWide, 1e9},
        {"ItemCount of 0x81 0x41 over 16,383 x 0x82 0x81", Repeat("\x82\x81", limit), CountWide, 1e9},
    };
    for (int round = 0; round < rounds; round++)
        for (Hostile& row : rows) {
            String value(row.value.c_str());
            double start = Now();
            row.work(value);
            double t = Now() - start;
            if (t < row.best)
                row.best = t;
        }
    for (const Hostile& row : rows)
        printf("value\t%s\t%.2f\n", row.name, row.best * 1e3);
}

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? strtoul(argv[1], nullptr, 10) : 256;
    const int rounds = argc > 2 ? atoi(argv[2]) : 5;
    CrcInMemory("crc", megabytes << 20, rounds);
    // 1 MiB stays in the cache: what the kernels can do when memory keeps up.
    CrcInMemory("crccache", 1 << 20, rounds * 40);
    CrcByLength(rounds * 40);
    HostileValues(rounds < 3 ? rounds : 3);
    return 0;
}
