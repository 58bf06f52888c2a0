// Walks over the pieces of a text in one pass: thousands of items or words
// are found once each, where Item(i) or Words(i, i) for every i would scan
// from the start each time.
#pragma once

#include <stddef.h>

#include "String.h"

class ItemCursor {
public:
    ItemCursor() : at(nullptr), separator(""), separatorLength(0) {}
    ItemCursor(const String& list, const char* separator) { Start(list, separator); }

    // The list must outlive the walk and stay unchanged during it.
    void Start(const String& list, const char* separator);

    // Item 0 first, then 1...: what Item(i, separator) gives; "" past the end.
    String Next();

private:
    const char* at; // the next item; null past the end
    const char* separator;
    size_t separatorLength;
};

// Words of a text by increasing number, each found once.
class WordCursor {
public:
    explicit WordCursor(const String& text);

    // What Words(index, index) gives, for an index of 0 or more that is not
    // below any index asked before. The text must stay unchanged.
    String Word(int index);

private:
    const char* start;
    const char* cursor; // where word `reached` starts
    int reached;
    int quotes;         // quotes from the start to the cursor
};
