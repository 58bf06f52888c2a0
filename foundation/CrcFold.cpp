// CRC-32 by folding with carry-less multiplication. A 128-bit lane of
// reflected data is moved forward by d bits with two multiplications: its
// low half (the earlier bytes, the higher powers) by x^(d+63) mod P, its
// high half by x^(d-1) mod P; the missing x is the one that a carry-less
// multiply of reflected operands adds. Lanes are never reduced below 128
// bits: the last one goes through one step of the slicing tables, which is
// exactly its CRC, and the short tail through the byte table.
#include "CrcKernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#define FOLD_TARGET __attribute__((target("sse2,pclmul")))
#define WIDE_TARGET __attribute__((target("avx2,pclmul,vpclmulqdq")))
#define INLINE inline __attribute__((always_inline))
// 32-bit Windows guarantees only 4-byte stack alignment; spilled vectors
// need 16.
#if defined(__i386__)
#define REALIGN __attribute__((force_align_arg_pointer))
#else
#define REALIGN
#endif

struct FoldConstants {
    unsigned long long by128[2], by256[2], by512[2], by1024[2];
};
static FoldConstants fold;
static bool foldBuilt;

static void SetDistance(unsigned long long (&pair)[2], unsigned bits) {
    pair[0] = CrcFoldConstant(bits + 63);
    pair[1] = CrcFoldConstant(bits - 1);
}

static void BuildFoldConstants() {
    if (foldBuilt)
        return;
    CrcBuildTables();
    SetDistance(fold.by128, 128);
    SetDistance(fold.by256, 256);
    SetDistance(fold.by512, 512);
    SetDistance(fold.by1024, 1024);
    foldBuilt = true;
}

static INLINE FOLD_TARGET __m128i Constants(const unsigned long long (&pair)[2]) {
    return _mm_set_epi64x(static_cast<long long>(pair[1]), static_cast<long long>(pair[0]));
}

static INLINE FOLD_TARGET __m128i Load(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

static INLINE FOLD_TARGET __m128i Fold(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

// One lane, the remaining 16-byte blocks, the lane's own CRC, the tail.
static INLINE FOLD_TARGET unsigned FoldRest(__m128i x, const unsigned char* p, size_t n) {
    const __m128i k128 = Constants(fold.by128);
    while (n >= 16) {
        x = _mm_xor_si128(Fold(x, k128), Load(p));
        p += 16;
        n -= 16;
    }
    unsigned char lane[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lane), x);
    return CrcTableUpdate(CrcSlicingUpdate(0, lane, 16), p, n);
}

static FOLD_TARGET REALIGN unsigned FoldUpdate(unsigned state, const unsigned char* p, size_t n) {
    if (n < 16)
        return CrcTableUpdate(state, p, n);
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
    p += 16;
    n -= 16;
    if (n >= 48) {
        __m128i x1 = Load(p), x2 = Load(p + 16), x3 = Load(p + 32);
        p += 48;
        n -= 48;
        const __m128i k512 = Constants(fold.by512);
        while (n >= 64) {
            x0 = _mm_xor_si128(Fold(x0, k512), Load(p));
            x1 = _mm_xor_si128(Fold(x1, k512), Load(p + 16));
            x2 = _mm_xor_si128(Fold(x2, k512), Load(p + 32));
            x3 = _mm_xor_si128(Fold(x3, k512), Load(p + 48));
            p += 64;
            n -= 64;
        }
        const __m128i k128 = Constants(fold.by128);
        x1 = _mm_xor_si128(x1, Fold(x0, k128));
        x2 = _mm_xor_si128(x2, Fold(x1, k128));
        x0 = _mm_xor_si128(x3, Fold(x2, k128));
    }
    return FoldRest(x0, p, n);
}

static INLINE WIDE_TARGET __m256i WideConstants(const unsigned long long (&pair)[2]) {
    const long long lo = static_cast<long long>(pair[0]), hi = static_cast<long long>(pair[1]);
    return _mm256_set_epi64x(hi, lo, hi, lo);
}

static INLINE WIDE_TARGET __m256i WideLoad(const unsigned char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

static INLINE WIDE_TARGET __m256i WideFold(__m256i y, __m256i k) {
    return _mm256_xor_si256(_mm256_clmulepi64_epi128(y, k, 0x00),
                            _mm256_clmulepi64_epi128(y, k, 0x11));
}

// Four 256-bit accumulators, 128 bytes a round. Everything stays in
// registers: MinGW cannot align a spill slot to 32 bytes (GCC bug 54412),
// and this file is assembled with unaligned moves in case one appears.
static WIDE_TARGET REALIGN unsigned WideFoldUpdate(unsigned state, const unsigned char* p,
                                                   size_t n) {
    if (n < 256)
        return FoldUpdate(state, p, n);
    __m256i y0 = _mm256_xor_si256(WideLoad(p),
                                  _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(state)));
    __m256i y1 = WideLoad(p + 32), y2 = WideLoad(p + 64), y3 = WideLoad(p + 96);
    p += 128;
    n -= 128;
    const __m256i k1024 = WideConstants(fold.by1024);
    while (n >= 128) {
        y0 = _mm256_xor_si256(WideFold(y0, k1024), WideLoad(p));
        y1 = _mm256_xor_si256(WideFold(y1, k1024), WideLoad(p + 32));
        y2 = _mm256_xor_si256(WideFold(y2, k1024), WideLoad(p + 64));
        y3 = _mm256_xor_si256(WideFold(y3, k1024), WideLoad(p + 96));
        p += 128;
        n -= 128;
    }
    const __m256i k256 = WideConstants(fold.by256);
    y1 = _mm256_xor_si256(y1, WideFold(y0, k256));
    y2 = _mm256_xor_si256(y2, WideFold(y1, k256));
    y3 = _mm256_xor_si256(y3, WideFold(y2, k256));
    const __m128i early = _mm256_castsi256_si128(y3), late = _mm256_extracti128_si256(y3, 1);
    return FoldRest(_mm_xor_si128(late, Fold(early, Constants(fold.by128))), p, n);
}

static bool CpuHasFold() {
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (d & bit_SSE2);
}

static bool CpuHasWideFold() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX) ||
        !(c & bit_PCLMUL))
        return false;
    // The system must save the upper halves of the vector registers.
    unsigned xcr0, xcr0High;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    if ((xcr0 & 6) != 6)
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2) && (c & bit_VPCLMULQDQ);
}

CrcKernelFunction CrcFoldKernel() {
    if (!CpuHasFold())
        return nullptr;
    BuildFoldConstants();
    return FoldUpdate;
}

CrcKernelFunction CrcWideFoldKernel() {
    if (!CpuHasWideFold())
        return nullptr;
    BuildFoldConstants();
    return WideFoldUpdate;
}

#else

CrcKernelFunction CrcFoldKernel() { return nullptr; }
CrcKernelFunction CrcWideFoldKernel() { return nullptr; }

#endif
