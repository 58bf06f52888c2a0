#include "Multibyte.h"

#include "Platform.h"

#include <string.h>

bool IsLeadByte(unsigned char byte) { return PlatformIsLeadByte(byte); }

const char* NextChar(const char* p) {
    if (!*p)
        return p;
    // A lead byte cut off by the terminator is a character of its own.
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1])
        return p + 2;
    return p + 1;
}

// strchr finds candidates fast; only a hit decides whether it starts a
// character, so plain ASCII text costs no lead-byte test at all.
const char* FindByte(const char* from, char byte) {
    if (!byte)
        return nullptr;
    BoundaryTest boundary(from);
    for (const char* p = from; (p = strchr(p, byte)) != nullptr; p++) {
        if (boundary.At(p))
            return p;
    }
    return nullptr;
}

const char* FindText(const char* from, const char* pattern) {
    size_t length = strlen(pattern);
    if (!length)
        return nullptr;
    for (const char* p = from; (p = FindByte(p, *pattern)) != nullptr; p = NextChar(p)) {
        if (strncmp(p, pattern, length) == 0)
            return p;
    }
    return nullptr;
}

// A byte that cannot lead ends a character, so only the run of lead-capable
// bytes just before p decides: they pair up from its start.
bool IsCharBoundary(const char* start, const char* p) { return BoundaryTest(start).At(p); }

// The run may stop at the last known boundary: the bytes pair up from there.
bool BoundaryTest::At(const char* p) {
    int run = 0;
    for (const char* q = p; q > known && IsLeadByte(static_cast<unsigned char>(q[-1])); q--)
        run++;
    bool boundary = run % 2 == 0;
    known = boundary ? p : p - 1;
    return boundary;
}
