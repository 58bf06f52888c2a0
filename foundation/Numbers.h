// Numbers read out of script values, by the rules of scanf's "%d" and "%x":
// leading white space, an optional sign (and 0x for hex), digits up to the
// first byte that cannot belong. Overflow wraps like a 32-bit register.
#pragma once

#include "String.h"

// False, with `value` untouched, when no digit was converted.
bool ScanDecimal(const char* text, int& value);
bool ScanHex(const char* text, unsigned& value);

int ParseInt(const String& text);
unsigned ParseHex(const String& text);
