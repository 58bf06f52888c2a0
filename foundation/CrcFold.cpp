// CRC-32 by folding with carry-less multiplication, on 128-, 256- and
// 512-bit vectors. A 128-bit lane of
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
#define ZMM_TARGET __attribute__((target("avx512f,avx512vl,avx2,pclmul,vpclmulqdq")))
#define INLINE inline __attribute__((always_inline))
// 32-bit Windows guarantees only 4-byte stack alignment; spilled vectors
// need 16.
#if defined(__i386__)
#define REALIGN __attribute__((force_align_arg_pointer))
#else
#define REALIGN
#endif

struct FoldConstants {
    unsigned long long by128[2], by256[2], by512[2], by1024[2], by2048[2];
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
    SetDistance(fold.by2048, 2048);
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

// One 256-bit accumulator, the remaining 32-byte blocks, then its two lanes
// as one.
static INLINE WIDE_TARGET unsigned WideFoldRest(__m256i y, const unsigned char* p, size_t n) {
    const __m256i k256 = WideConstants(fold.by256);
    while (n >= 32) {
        y = _mm256_xor_si256(WideFold(y, k256), WideLoad(p));
        p += 32;
        n -= 32;
    }
    const __m128i early = _mm256_castsi256_si128(y), late = _mm256_extracti128_si256(y, 1);
    return FoldRest(_mm_xor_si128(late, Fold(early, Constants(fold.by128))), p, n);
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
    return WideFoldRest(_mm256_xor_si256(y3, WideFold(y2, k256)), p, n);
}

#if defined(__x86_64__)
static INLINE ZMM_TARGET __m512i ZmmConstants(const unsigned long long (&pair)[2]) {
    const long long lo = static_cast<long long>(pair[0]), hi = static_cast<long long>(pair[1]);
    return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

static INLINE ZMM_TARGET __m512i ZmmLoad(const unsigned char* p) { return _mm512_loadu_si512(p); }

// The accumulator moved forward, with the data it lands on.
static INLINE ZMM_TARGET __m512i ZmmFold(__m512i z, __m512i k, __m512i data) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(z, k, 0x00),
                                     _mm512_clmulepi64_epi128(z, k, 0x11), data, 0x96);
}

// GCC 12 warns about the undefined upper half inside its own extract
// intrinsics (its bug 105593).
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// Four 512-bit accumulators, 256 bytes a round; below 512 bytes the 256-bit
// kernel is as fast. Only on x86-64: 32-bit code has eight vector
// registers, too few for the loop, and the 256-bit kernel already reads as
// fast as memory delivers.
static ZMM_TARGET unsigned ZmmFoldUpdate(unsigned state, const unsigned char* p, size_t n) {
    if (n < 512)
        return WideFoldUpdate(state, p, n);
    __m512i z0 = _mm512_xor_si512(ZmmLoad(p), _mm512_zextsi128_si512(
                                                  _mm_cvtsi32_si128(static_cast<int>(state))));
    __m512i z1 = ZmmLoad(p + 64), z2 = ZmmLoad(p + 128), z3 = ZmmLoad(p + 192);
    p += 256;
    n -= 256;
    const __m512i k2048 = ZmmConstants(fold.by2048);
    while (n >= 256) {
        z0 = ZmmFold(z0, k2048, ZmmLoad(p));
        z1 = ZmmFold(z1, k2048, ZmmLoad(p + 64));
        z2 = ZmmFold(z2, k2048, ZmmLoad(p + 128));
        z3 = ZmmFold(z3, k2048, ZmmLoad(p + 192));
        p += 256;
        n -= 256;
    }
    const __m512i k512 = ZmmConstants(fold.by512);
    z3 = ZmmFold(ZmmFold(ZmmFold(z0, k512, z1), k512, z2), k512, z3);
    const __m256i early = _mm512_castsi512_si256(z3), late = _mm512_extracti64x4_epi64(z3, 1);
    return WideFoldRest(_mm256_xor_si256(late, WideFold(early, WideConstants(fold.by256))), p, n);
}
#pragma GCC diagnostic pop
#endif

static __attribute__((target("xsave"))) bool SystemSavesState(unsigned xcr0Bits) {
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_OSXSAVE) && (c & bit_AVX) &&
           (_xgetbv(0) & xcr0Bits) == xcr0Bits;
}

static bool CpuHasFold() {
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (d & bit_SSE2);
}

// Features of leaf 7, usable only when the system saves the registers they
// need: xcr0Bits 6 for the upper halves of the YMM registers, 0xE6 for the
// ZMM registers and the opmasks too.
static bool CpuHasWide(unsigned xcr0Bits, unsigned ebxBits, unsigned ecxBits) {
    unsigned a, b, c, d;
    return CpuHasFold() && SystemSavesState(xcr0Bits) && __get_cpuid_count(7, 0, &a, &b, &c, &d) &&
           (b & ebxBits) == ebxBits && (c & ecxBits) == ecxBits;
}

CrcKernelFunction CrcFoldKernel() {
    if (!CpuHasFold())
        return nullptr;
    BuildFoldConstants();
    return FoldUpdate;
}

CrcKernelFunction CrcWideFoldKernel() {
    if (!CpuHasWide(0x6, bit_AVX2, bit_VPCLMULQDQ))
        return nullptr;
    BuildFoldConstants();
    return WideFoldUpdate;
}

CrcKernelFunction CrcZmmFoldKernel() {
#if defined(__x86_64__)
    if (CpuHasWide(0xE6, bit_AVX2 | bit_AVX512F | bit_AVX512VL, bit_VPCLMULQDQ)) {
        BuildFoldConstants();
        return ZmmFoldUpdate;
    }
#endif
    return nullptr;
}

#else

CrcKernelFunction CrcFoldKernel() { return nullptr; }
CrcKernelFunction CrcWideFoldKernel() { return nullptr; }
CrcKernelFunction CrcZmmFoldKernel() { return nullptr; }

#endif
