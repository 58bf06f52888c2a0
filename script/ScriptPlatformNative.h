// The native build's profile: `block` (lines ended by zero bytes) answers
// every section read. The block must outlive the reads.
#pragma once

void SetNativeProfile(const char* block, unsigned size);
