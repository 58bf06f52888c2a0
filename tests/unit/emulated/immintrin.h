// Stand-in intrinsics in plain C++, lane by lane as the manuals define them.
#pragma once
#include <stdint.h>
#include <string.h>
template <int N> struct V { uint64_t q[N]; };
typedef V<2> __m128i; typedef V<4> __m256i; typedef V<8> __m512i;
static inline unsigned long long _xgetbv(unsigned) { return ~0ull; }
template <int N> static V<N> Xor(V<N> a, V<N> b) { for (int i = 0; i < N; i++) a.q[i] ^= b.q[i]; return a; }
template <int N> static V<N> Load(const void* p) { V<N> v; memcpy(v.q, p, sizeof v.q); return v; }
static void Clmul(uint64_t a, uint64_t b, uint64_t* out) {
    uint64_t lo = 0, hi = 0;
    for (int i = 0; i < 64; i++) if (b >> i & 1) { lo ^= a << i; if (i) hi ^= a >> (64 - i); }
    out[0] = lo; out[1] = hi;
}
template <int N> static V<N> Clmul(V<N> a, V<N> b, int imm) {
    V<N> r;
    for (int l = 0; l < N; l += 2) Clmul(a.q[l + (imm & 1)], b.q[l + (imm >> 4 & 1)], r.q + l);
    return r;
}
template <int M, int N> static V<M> Part(V<N> v, int index) { V<M> r; memcpy(r.q, v.q + index * M, sizeof r.q); return r; }
#define _mm_set_epi64x(h, l) (__m128i{{(uint64_t)(l), (uint64_t)(h)}})
#define _mm_loadu_si128(p) Load<2>(p)
#define _mm_storeu_si128(p, v) memcpy(p, (v).q, 16)
#define _mm_xor_si128 Xor<2>
#define _mm_clmulepi64_si128 Clmul<2>
#define _mm_cvtsi32_si128(x) (__m128i{{(uint32_t)(x), 0}})
#define _mm256_set_epi64x(a, b, c, d) (__m256i{{(uint64_t)(d), (uint64_t)(c), (uint64_t)(b), (uint64_t)(a)}})
#define _mm256_loadu_si256(p) Load<4>(p)
#define _mm256_xor_si256 Xor<4>
#define _mm256_clmulepi64_epi128 Clmul<4>
#define _mm256_set_epi32(a, b, c, d, e, f, g, h) (__m256i{{(uint32_t)(h) | (uint64_t)(uint32_t)(g) << 32, \
    (uint32_t)(f) | (uint64_t)(uint32_t)(e) << 32, (uint32_t)(d) | (uint64_t)(uint32_t)(c) << 32, (uint32_t)(b) | (uint64_t)(uint32_t)(a) << 32}})
#define _mm256_castsi256_si128(v) Part<2>(v, 0)
#define _mm256_extracti128_si256(v, i) Part<2>(v, i)
#define _mm512_set_epi64(a, b, c, d, e, f, g, h) \
    (__m512i{{(uint64_t)(h), (uint64_t)(g), (uint64_t)(f), (uint64_t)(e), (uint64_t)(d), (uint64_t)(c), (uint64_t)(b), (uint64_t)(a)}})
#define _mm512_loadu_si512(p) Load<8>(p)
#define _mm512_xor_si512 Xor<8>
#define _mm512_clmulepi64_epi128 Clmul<8>
#define _mm512_castsi512_si256(v) Part<4>(v, 0)
#define _mm512_extracti64x4_epi64(v, i) Part<4>(v, i)
static inline __m512i _mm512_zextsi128_si512(__m128i x) { __m512i r = {}; r.q[0] = x.q[0]; r.q[1] = x.q[1]; return r; }
static inline __m512i _mm512_ternarylogic_epi64(__m512i a, __m512i b, __m512i c, int imm) {
    __m512i r = {};
    for (int i = 0; i < 8; i++) for (int bit = 0; bit < 64; bit++) {
        int index = (a.q[i] >> bit & 1) << 2 | (b.q[i] >> bit & 1) << 1 | (c.q[i] >> bit & 1);
        r.q[i] |= (uint64_t)(imm >> index & 1) << bit;
    }
    return r;
}
