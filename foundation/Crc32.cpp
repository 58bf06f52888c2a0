#include "Crc32.h"

static unsigned crcTable[256];
static bool crcTableBuilt;

static void BuildCrcTable() {
    static const int exponents[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
    unsigned polynomial = 0;
    for (int e : exponents)
        polynomial |= 1u << (31 - e);
    for (unsigned n = 0; n < 256; n++) {
        unsigned c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ polynomial : c >> 1;
        crcTable[n] = c;
    }
    crcTableBuilt = true;
}

unsigned Crc32Update(unsigned crc, const void* bytes, unsigned byteCount) {
    if (!crcTableBuilt)
        BuildCrcTable();
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    crc ^= 0xFFFFFFFFu;
    for (unsigned i = 0; i < byteCount; i++)
        crc = (crc >> 8) ^ crcTable[(crc ^ p[i]) & 0xFF];
    return crc ^ 0xFFFFFFFFu;
}

unsigned Crc32(const void* bytes, unsigned byteCount) { return Crc32Update(0, bytes, byteCount); }

unsigned Crc32(const ByteBuffer& buffer) { return Crc32(buffer.Data(), buffer.Size()); }
