// CRC-32 of ISO-HDLC / IEEE 802.3 (reflected 0xEDB88320, preset and final
// complement), from a table built on first use.
#pragma once

#include "ByteBuffer.h"

unsigned Crc32(const ByteBuffer& buffer);
unsigned Crc32(const void* bytes, unsigned byteCount);
