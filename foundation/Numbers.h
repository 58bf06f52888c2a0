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

// A date as the program compares it with a file's: items 0, 1 and 2 of "/"
// (year, month, day) read as decimal numbers, each kept to its low 16 bits
// like the system's date fields.
void ParseDate(const String& date, unsigned short parts[3]);
