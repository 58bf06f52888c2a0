#include "Numbers.h"

static bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

static int DigitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

// scanf-style: white space, sign, for hex an optional 0x, then digits.
static bool ScanNumber(const char* p, unsigned base, unsigned& value) {
    while (IsScanSpace(*p))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    bool converted = false;
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        converted = true; // "0x" alone reads as the 0 before the x
        p += DigitValue(p[2], 16) >= 0 ? 2 : 1;
    }
    unsigned result = 0;
    for (int digit; (digit = DigitValue(*p, base)) >= 0; p++) {
        result = result * base + static_cast<unsigned>(digit);
        converted = true;
    }
    if (!converted)
        return false;
    value = negative ? 0u - result : result;
    return true;
}

bool ScanDecimal(const char* text, int& value) {
    unsigned result;
    if (!text || !ScanNumber(text, 10, result))
        return false;
    value = static_cast<int>(result);
    return true;
}

bool ScanHex(const char* text, unsigned& value) { return text && ScanNumber(text, 16, value); }

int ParseInt(const String& text) {
    int value = 0;
    ScanDecimal(text.Text(), value);
    return value;
}

unsigned ParseHex(const String& text) {
    unsigned value = 0;
    ScanHex(text.Text(), value);
    return value;
}

void ParseDate(const String& date, unsigned short parts[3]) {
    for (int i = 0; i < 3; i++)
        parts[i] = static_cast<unsigned short>(ParseInt(date.Item(i, "/")));
}
