// Groups: top-level pieces between an open and a close marker, nesting
// allowed. A close marker at depth 0 drives the depth below 0.
#include "String.h"

#include "Indexes.h"
#include "Multibyte.h"

#include <string.h>

namespace {

// The next open and close marker at or after a cursor that only moves
// forward; a marker still ahead of the cursor is not searched again.
class MarkerScan {
public:
    MarkerScan(const char* text, const char* open, const char* close)
        : cursor(text), open(open), close(close), openLength(strlen(open)),
          closeLength(strlen(close)) {
        nextOpen = FindText(cursor, open);
        nextClose = FindText(cursor, close);
    }

    const char* Cursor() const { return cursor; }
    const char* Close() const { return nextClose; }
    bool OpenComesFirst() const { return nextOpen && nextClose && nextOpen < nextClose; }

    void PassOpen() { MoveTo(nextOpen + openLength); }
    void PassClose() { MoveTo(nextClose + closeLength); }

private:
    void MoveTo(const char* p) {
        cursor = p;
        if (nextOpen && nextOpen < cursor)
            nextOpen = FindText(cursor, open);
        if (nextClose && nextClose < cursor)
            nextClose = FindText(cursor, close);
    }

    const char* cursor;
    const char* open;
    const char* close;
    size_t openLength;
    size_t closeLength;
    const char* nextOpen;
    const char* nextClose;
};

}  // namespace

// The close marker that brings the depth from 1 back to 0; null when the
// group runs to the end of the text.
static const char* CloseOfGroup(MarkerScan& scan, int depth) {
    for (;;) {
        if (scan.OpenComesFirst()) {
            depth++;
            scan.PassOpen();
        } else if (!scan.Close()) {
            return nullptr;
        } else if (depth == 1) {
            return scan.Close();
        } else {
            depth--;
            scan.PassClose();
        }
    }
}

int String::GroupCount(const char* open, const char* close) const {
    MarkerScan scan(Text(), open, close);
    int depth = 0;
    int count = 0;
    for (;;) {
        if (scan.OpenComesFirst()) {
            depth++;
            scan.PassOpen();
        } else if (!scan.Close()) {
            break;
        } else {
            if (depth == 1)
                count++;
            depth--;
            scan.PassClose();
        }
    }
    return count;
}

// Groups a..b (not negative) of the text at start, whose depth there is 0.
static bool FindGroupsIn(const char* start, int a, int b, const char* open, const char* close,
                         int& first, int& last) {
    MarkerScan scan(start, open, close);
    bool hasFirst = false;
    int depth = 0;
    int opened = 0;
    while (opened <= b) {
        if (scan.OpenComesFirst()) {
            if (depth == 0)
                opened++;
            depth++;
            scan.PassOpen();
        } else if (!scan.Close()) {
            break;
        } else {
            depth--;
            scan.PassClose();
        }
        if (!hasFirst && a < opened) {
            first = static_cast<int>(scan.Cursor() - start);
            hasFirst = true;
        }
    }
    if (!hasFirst)
        return false;
    first -= static_cast<int>(strlen(open));
    // Only a negative index with an open marker longer than the close one
    // can start before the text.
    if (first < 0)
        first = 0;
    const char* closing = CloseOfGroup(scan, depth);
    if (closing)
        last = static_cast<int>(closing - start) + static_cast<int>(strlen(close)) - 1;
    else
        last = static_cast<int>(strlen(start)) - 1;
    return true;
}

bool String::FindGroups(int a, int b, const char* open, const char* close, int& first,
                        int& last) const {
    if ((a < 0 || b < 0) && !CountFromEnd(a, b, GroupCount(open, close)))
        return false;
    return FindGroupsIn(Text(), a, b, open, close, first, last);
}

bool FindFirstGroup(const char* text, const char* open, const char* close, int& first, int& last) {
    return FindGroupsIn(text, 0, 0, open, close, first, last);
}

String String::Groups(int a, int b, const char* open, const char* close) const {
    int first, last;
    if (!FindGroups(a, b, open, close, first, last) || last < first)
        return String();
    return Slice(Text() + first, Text() + last);
}

void String::ReplaceGroups(int a, int b, const char* open, const char* close, const char* text) {
    int first, last;
    if (FindGroups(a, b, open, close, first, last))
        ReplaceRange(first, last, text);
}
