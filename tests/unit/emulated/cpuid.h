// Stand-in: a processor with every feature.
#pragma once
#define bit_SSE2 (1 << 26)
#define bit_PCLMUL (1 << 1)
#define bit_OSXSAVE (1 << 27)
#define bit_AVX (1 << 28)
#define bit_AVX2 (1 << 5)
#define bit_AVX512F (1 << 16)
#define bit_AVX512VL (1u << 31)
#define bit_VPCLMULQDQ (1 << 10)
static inline int __get_cpuid(unsigned, unsigned* a, unsigned* b, unsigned* c, unsigned* d) { *a = *b = *c = *d = ~0u; return 1; }
static inline int __get_cpuid_count(unsigned, unsigned, unsigned* a, unsigned* b, unsigned* c, unsigned* d) { *a = *b = *c = *d = ~0u; return 1; }
