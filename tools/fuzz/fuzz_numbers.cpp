// ParseInt and ParseHex against sscanf's "%d" and "%x" where sscanf is
// defined (no overflow), and against a 32-bit register model beyond.
#include <stdio.h>
#include <stdlib.h>

#include "FuzzInput.h"

#include <string>

#include "foundation/Numbers.h"

static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

static int DigitValue(char c, int base) {
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return v < base ? v : -1;
}

// Digits converted, and the value wrapped to 32 bits.
static unsigned Model(const std::string& s, int base, int& digits) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i]))
        i++;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (base == 16 && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        i + 2 < s.size() && DigitValue(s[i + 2], 16) >= 0)
        i += 2;
    unsigned value = 0;
    digits = 0;
    for (; i < s.size() && DigitValue(s[i], base) >= 0; i++, digits++)
        value = value * base + DigitValue(s[i], base);
    return negative ? 0u - value : value;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    String s(text.c_str());
    int digits;
    int decimal = static_cast<int>(Model(text, 10, digits));
    EXPECT(ParseInt(s) == (digits ? decimal : 0));
    if (digits && digits <= 9) {
        int scanned = 0;
        EXPECT(sscanf(text.c_str(), "%d", &scanned) == 1 && scanned == ParseInt(s));
    }
    unsigned hex = Model(text, 16, digits);
    EXPECT(ParseHex(s) == (digits ? hex : 0u));
    // glibc reads "0x" without digits its own way; the model above says what it means here.
    if (digits && digits <= 7 && text.find_first_of("xX") == std::string::npos) {
        unsigned scanned = 0;
        EXPECT(sscanf(text.c_str(), "%x", &scanned) == 1 && scanned == ParseHex(s));
    }
    return 0;
}
