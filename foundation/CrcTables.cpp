// The byte table, the slicing-by-16 tables and the folding constants.
#include "CrcKernels.h"

#include <string.h>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the slicing kernel reads little-endian words"
#endif

static unsigned crcTables[16][256];
static bool crcTablesBuilt;
static unsigned crcPolynomial;

void CrcBuildTables() {
    if (crcTablesBuilt)
        return;
    static const int exponents[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
    unsigned polynomial = 0;
    for (int e : exponents)
        polynomial |= 1u << (31 - e);
    crcPolynomial = polynomial;
    for (unsigned n = 0; n < 256; n++) {
        unsigned c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ polynomial : c >> 1;
        crcTables[0][n] = c;
    }
    // Table k advances a byte k further: one more zero byte through table 0.
    for (int k = 1; k < 16; k++)
        for (unsigned n = 0; n < 256; n++) {
            unsigned c = crcTables[k - 1][n];
            crcTables[k][n] = (c >> 8) ^ crcTables[0][c & 0xFF];
        }
    crcTablesBuilt = true;
}

unsigned CrcTableUpdate(unsigned state, const unsigned char* bytes, size_t count) {
    const unsigned* table = crcTables[0];
    for (size_t i = 0; i < count; i++)
        state = (state >> 8) ^ table[(state ^ bytes[i]) & 0xFF];
    return state;
}

static inline unsigned LoadWord(const unsigned char* p) {
    unsigned word;
    memcpy(&word, p, 4);
    return word;
}

static inline unsigned SliceWord(unsigned word, int table) {
    return crcTables[table][word & 0xFF] ^ crcTables[table - 1][(word >> 8) & 0xFF] ^
           crcTables[table - 2][(word >> 16) & 0xFF] ^ crcTables[table - 3][word >> 24];
}

unsigned CrcSlicingUpdate(unsigned state, const unsigned char* bytes, size_t count) {
    while (count >= 16) {
        unsigned w0 = LoadWord(bytes) ^ state;
        state = SliceWord(w0, 15) ^ SliceWord(LoadWord(bytes + 4), 11) ^
                SliceWord(LoadWord(bytes + 8), 7) ^ SliceWord(LoadWord(bytes + 12), 3);
        bytes += 16;
        count -= 16;
    }
    return CrcTableUpdate(state, bytes, count);
}

unsigned long long CrcFoldConstant(unsigned exponent) {
    // Reflected: bit j stands for x^(31-j), so multiplying by x is a right
    // shift and the x^32 that falls out is replaced by the polynomial.
    unsigned r = 0x80000000u;
    for (unsigned i = 0; i < exponent; i++)
        r = (r & 1) ? (r >> 1) ^ crcPolynomial : r >> 1;
    return static_cast<unsigned long long>(r) << 32;
}
