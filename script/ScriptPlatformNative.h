// The native build's profile: `block` (lines ended by zero bytes) answers
// every section read. The block must outlive the reads.
#pragma once

void SetNativeProfile(const char* block, unsigned size);

// A whole script instead: `text` (lines of an INI file) answers every read
// as the platform would, sections and keys found by name, first match, ASCII
// case ignored. The text must outlive the reads.
void SetNativeScript(const char* text, unsigned size);
