// The interchangeable CRC-32 methods behind Crc32Update. Every kernel works
// on the raw register (preset and final complement are the caller's) and
// gives exactly the result of the byte table on every input.
#pragma once

#include <stddef.h>

enum CrcKernel {
    CrcKernelTable,      // one lookup per byte
    CrcKernelSlicing,    // slicing-by-16, the portable fallback
    CrcKernelFold,       // PCLMULQDQ folding on 128-bit vectors
    CrcKernelWideFold,   // VPCLMULQDQ folding on 256-bit vectors
    CrcKernelZmmFold,    // VPCLMULQDQ folding on 512-bit vectors
    CrcKernelCount
};

typedef unsigned (*CrcKernelFunction)(unsigned state, const unsigned char* bytes, size_t count);

const char* CrcKernelName(CrcKernel kernel);
bool CrcKernelAvailable(CrcKernel kernel);
// The kernel Crc32Update uses: the last available one.
CrcKernel CrcKernelChosen();
// Crc32Update through one given kernel; the kernel must be available.
unsigned CrcKernelUpdate(CrcKernel kernel, unsigned crc, const void* bytes, size_t count);

// Shared by the kernels.
void CrcBuildTables();
unsigned CrcTableUpdate(unsigned state, const unsigned char* bytes, size_t count);
unsigned CrcSlicingUpdate(unsigned state, const unsigned char* bytes, size_t count);
// x^exponent mod P, bit-reflected into the upper half of 64 bits: the form
// a carry-less multiply of reflected data needs.
unsigned long long CrcFoldConstant(unsigned exponent);

// Null where the compiler or the processor cannot run them.
CrcKernelFunction CrcFoldKernel();
CrcKernelFunction CrcWideFoldKernel();
CrcKernelFunction CrcZmmFoldKernel();
