// Numbers, CRC values and dates as the program reads them: a value it would
// read differently from what it says, told with what it reads instead.
#include "Checker.h"

#include "CheckTexts.h"
#include "Problems.h"
#include "foundation/Numbers.h"
#include "procedures/Procedure.h"

namespace {

bool IsDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// An optional sign and decimal digits, and nothing else.
bool IsWholeNumber(const String& text) {
    const char* p = text.Text();
    if (*p == '+' || *p == '-')
        p++;
    const char* digits = p;
    while (IsDigit(*p, false))
        p++;
    return p > digits && *p == 0;
}

// An optional 0x and one to eight hexadecimal digits: a 32-bit value that
// the program's hexadecimal reader takes whole.
bool IsWholeHex(const String& text) {
    const char* p = text.Text();
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        p += 2;
    const char* digits = p;
    while (IsDigit(*p, true))
        p++;
    return p > digits && p - digits <= 8 && *p == 0;
}

// White space as the number reader skips it before a number.
bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without the white space around it, which the reader passes over.
String Blank(const String& text) {
    const char* first = text.Text();
    const char* end = first + text.Length();
    while (first < end && IsScanSpace(*first))
        first++;
    while (end > first && IsScanSpace(end[-1]))
        end--;
    return end > first ? text.Slice(first, end - 1) : String();
}

// Each non-empty item (or only item `only`) of a list of decimal numbers.
void CheckNumberItems(const String& section, const char* key, int only = -1) {
    const KeyRead* read = FindKeyRead(section.Text(), key);
    ItemCursor items(read->expanded, ",");
    for (int i = 0, n = read->expanded.ItemCount(","); i < n; i++) {
        String item = Blank(NextListItem(items));
        if ((only < 0 || i == only) && !item.IsEmpty() && !IsWholeNumber(item))
            ReportItem(Warning, LineOf(section.Text(), key), section.Text(), CheckItemNotNumber, i + 1, item.Text(),
                       key, i + 1, item.Text(), ParseInt(item));
    }
}

void CheckHexItems(const String& section, const char* key, Severity severity, int check) {
    const KeyRead* read = FindKeyRead(section.Text(), key);
    ItemCursor items(read->expanded, ",");
    for (int i = 0, n = read->expanded.ItemCount(","); i < n; i++) {
        String item = Blank(NextListItem(items));
        if (!item.IsEmpty() && !IsWholeHex(item))
            ReportItem(severity, LineOf(section.Text(), key), section.Text(), check, i + 1, item.Text(), i + 1,
                       item.Text(), ParseHex(item));
    }
}

int DaysIn(int month, int year) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// year/month/day of a day that exists (the platform's file times start in
// 1601), as the program reads it.
void CheckDate(const String& section) {
    const KeyRead* read = FindKeyRead(section.Text(), "DATE");
    if (read->absent)
        return;
    const String& date = read->expanded;
    unsigned short parts[3];
    ParseDate(date, parts);
    bool whole = date.ItemCount("/") == 3;
    for (int i = 0; i < 3; i++) {
        String part = Blank(date.Item(i, "/"));
        whole = whole && IsWholeNumber(part) && ParseInt(part) == parts[i];
    }
    if (whole && parts[0] >= 1601 && parts[0] <= 30827 && parts[1] >= 1 && parts[1] <= 12 &&
        parts[2] >= 1 && parts[2] <= DaysIn(parts[1], parts[0]))
        return;
    Report(Error, LineOf(section.Text(), "DATE"), section.Text(), CheckNotDate, date.Text(),
           parts[0], parts[1], parts[2]);
}

// ISWAIT is read whole and without expansion.
void CheckWait(const String& section) {
    const KeyRead* read = FindKeyRead(section.Text(), "ISWAIT");
    String value = Blank(read->written);
    if (!read->absent && !value.IsEmpty() && !IsWholeNumber(value))
        Report(Warning, LineOf(section.Text(), "ISWAIT"), section.Text(), CheckNotNumber,
               "ISWAIT", value.Text(), ParseInt(value));
}

} // namespace

void CheckNumbers(const String& section, const String& mode) {
    if (mode.EqualsNoCase("LAUNCH")) {
        CheckWait(section);
    } else if (mode.EqualsNoCase("WAITAPP")) {
        CheckNumberItems(section, "TICK");
    } else if (mode.EqualsNoCase("LINK")) {
        CheckNumberItems(section, "SHOWCMD");
    } else if (mode.EqualsNoCase("MSGBOX")) {
        CheckNumberItems(section, "ISABORT");
        if (FindKeyRead(section.Text(), "FLAG")->expanded.ItemCount(",") >= 2)
            CheckNumberItems(section, "FLAG", 1);
    } else if (mode.EqualsNoCase("ATTR")) {
        CheckHexItems(section, "ARG", Warning, CheckNotHex);
    } else if (mode.EqualsNoCase("CRC")) {
        CheckHexItems(section, "CRC", Error, CheckNotCrc);
    } else if (mode.EqualsNoCase("DATE")) {
        CheckDate(section);
    }
}
