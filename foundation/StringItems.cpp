// Items: the pieces of a text between occurrences of a separator.
#include "String.h"

#include "Indexes.h"
#include "Multibyte.h"

#include <string.h>

int String::ItemCount(const char* separator) const {
    if (IsEmpty())
        return 0;
    return 1 + CountOf(separator);
}

bool String::FindItems(int a, int b, const char* separator, int& first, int& last) const {
    if ((a < 0 || b < 0) && !CountFromEnd(a, b, ItemCount(separator)))
        return false;
    const char* start = Text();
    size_t separatorLength = strlen(separator);
    bool hasFirst = a == 0;
    bool hasLast = false;
    first = 0;
    int i = 0;
    for (const char* hit = FindText(start, separator); hit; i++) {
        if (i >= b) {
            last = static_cast<int>(hit - start) - 1;
            hasLast = true;
            break;
        }
        const char* next = hit + separatorLength;
        if (!hasFirst && i + 1 >= a) {
            first = static_cast<int>(next - start);
            hasFirst = true;
        }
        hit = FindText(next, separator);
    }
    if (!hasFirst)
        return false;
    if (!hasLast)
        last = Length() - 1;
    return true;
}

String String::Items(int a, int b, const char* separator) const {
    int first, last;
    if (!FindItems(a, b, separator, first, last) || last < first)
        return String();
    return Slice(Text() + first, Text() + last);
}

String String::Item(int i, const char* separator) const { return Items(i, i, separator); }

void String::ReplaceItems(int a, int b, const char* separator, const char* text) {
    int first, last;
    if (FindItems(a, b, separator, first, last))
        ReplaceRange(first, last, text);
}
