// Words: pieces between single spaces; a space inside double quotes (an odd
// number of quotes before it) does not separate.
#include "String.h"

#include "Cursors.h"
#include "Indexes.h"
#include "Multibyte.h"

#include <string.h>

// Quotes from `from` up to and including the space at `space`.
static int QuotesThrough(const char* from, const char* space) {
    int count = 0;
    for (const char* p = from; p <= space && *p; p = NextChar(p)) {
        if (*p == '"')
            count++;
    }
    return count;
}

// Moves the cursor past the space at `space`; true when that space ends a
// word, that is when no quote is left open.
static bool PassSpace(const char*& cursor, const char* space, int& quotes) {
    quotes += QuotesThrough(cursor, space);
    cursor = space + 1;
    return quotes % 2 == 0;
}

int String::WordCount() const {
    if (IsEmpty())
        return 0;
    int count = 1;
    int quotes = 0;
    const char* cursor = Text();
    for (const char* space; (space = FindText(cursor, " ")) != nullptr;) {
        if (PassSpace(cursor, space, quotes))
            count++;
    }
    return count;
}

bool String::FindWords(int a, int b, int& first, int& last) const {
    if ((a < 0 || b < 0) && !CountFromEnd(a, b, WordCount()))
        return false;
    const char* start = Text();
    const char* cursor = start;
    bool hasFirst = false;
    bool hasLast = false;
    int quotes = 0;
    int i = 0;
    const char* space;
    while (i < a && (space = FindText(cursor, " ")) != nullptr) {
        if (PassSpace(cursor, space, quotes))
            i++;
    }
    if (i == a) {
        first = static_cast<int>(cursor - start);
        hasFirst = true;
    }
    for (;;) {
        space = FindText(cursor, " ");
        if (!space) {
            if (b >= i) {
                last = Length() - 1;
                hasLast = true;
            }
            break;
        }
        if (b < i)
            break;
        // Kept until the word really ends: a quoted space moves it on.
        if (b == i) {
            last = static_cast<int>(space - start) - 1;
            hasLast = true;
        }
        if (PassSpace(cursor, space, quotes))
            i++;
    }
    if (!hasFirst || !hasLast)
        return false;
    // A single quoted word comes without its quotes.
    if (a == b && start[first] == '"' && last >= 0 && start[last] == '"') {
        first++;
        last--;
    }
    return true;
}

String String::Words(int a, int b) const {
    int first, last;
    if (!FindWords(a, b, first, last) || last < first)
        return String();
    return Slice(Text() + first, Text() + last);
}

WordCursor::WordCursor(const String& text)
    : start(text.Text()), cursor(text.Text()), reached(0), quotes(0) {}

// The steps of FindWords for one word, its state kept between calls: a
// space outside quotes ends a word; the word's end moves on with every
// quoted space until then.
String WordCursor::Word(int index) {
    const char* space;
    while (reached < index && (space = FindText(cursor, " ")) != nullptr) {
        if (PassSpace(cursor, space, quotes))
            reached++;
    }
    if (reached != index)
        return String();
    const char* first = cursor;
    const char* last = nullptr;
    while (reached == index) {
        space = FindText(cursor, " ");
        if (!space) {
            last = cursor + strlen(cursor) - 1;
            break;
        }
        last = space - 1;
        if (PassSpace(cursor, space, quotes))
            reached++;
    }
    // A single quoted word comes without its quotes.
    if (*first == '"' && last >= start && *last == '"') {
        first++;
        last--;
    }
    return last < first ? String() : String().Slice(first, last);
}
