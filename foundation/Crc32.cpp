#include "Crc32.h"

#include "CrcKernels.h"

static CrcKernelFunction KernelFunction(CrcKernel kernel) {
    CrcBuildTables();
    switch (kernel) {
    case CrcKernelTable: return CrcTableUpdate;
    case CrcKernelSlicing: return CrcSlicingUpdate;
    case CrcKernelFold: return CrcFoldKernel();
    case CrcKernelWideFold: return CrcWideFoldKernel();
    case CrcKernelZmmFold: return CrcZmmFoldKernel();
    default: return nullptr;
    }
}

const char* CrcKernelName(CrcKernel kernel) {
    static const char* const names[CrcKernelCount] = {"table", "slicing-16", "pclmulqdq",
                                                      "vpclmulqdq-256", "vpclmulqdq-512"};
    return kernel >= 0 && kernel < CrcKernelCount ? names[kernel] : "";
}

bool CrcKernelAvailable(CrcKernel kernel) { return KernelFunction(kernel) != nullptr; }

CrcKernel CrcKernelChosen() {
    int kernel = CrcKernelCount - 1;
    while (kernel > CrcKernelSlicing && !CrcKernelAvailable(static_cast<CrcKernel>(kernel)))
        kernel--;
    return static_cast<CrcKernel>(kernel);
}

unsigned CrcKernelUpdate(CrcKernel kernel, unsigned crc, const void* bytes, size_t count) {
    return ~KernelFunction(kernel)(~crc, static_cast<const unsigned char*>(bytes), count);
}

// Chosen once: CPUID is slow under some hypervisors.
static CrcKernelFunction chosenKernel;

unsigned Crc32Update(unsigned crc, const void* bytes, unsigned byteCount) {
    if (!chosenKernel)
        chosenKernel = KernelFunction(CrcKernelChosen());
    return ~chosenKernel(~crc, static_cast<const unsigned char*>(bytes), byteCount);
}

unsigned Crc32(const void* bytes, unsigned byteCount) { return Crc32Update(0, bytes, byteCount); }

unsigned Crc32(const ByteBuffer& buffer) { return Crc32(buffer.Data(), buffer.Size()); }
