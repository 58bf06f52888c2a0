// CRC-32 of ISO-HDLC / IEEE 802.3 (reflected 0xEDB88320, preset and final
// complement). Tables are built on first use; the fastest method the
// processor supports is chosen once, on the first call.
#pragma once

#include "ByteBuffer.h"

unsigned Crc32(const ByteBuffer& buffer);
unsigned Crc32(const void* bytes, unsigned byteCount);

// Continues a CRC over further bytes: start with 0 and feed the pieces in
// order; the result equals Crc32 of all of them joined.
unsigned Crc32Update(unsigned crc, const void* bytes, unsigned byteCount);
