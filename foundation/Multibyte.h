// Character stepping in the system's ANSI code page: a lead byte and its
// trail byte always travel together, so a trail byte that happens to equal
// "\\" or "}" is never taken for one.
#pragma once

bool IsLeadByte(unsigned char byte);

// The next character boundary after p (p itself when it is the terminator).
const char* NextChar(const char* p);

// First `byte` (not zero) at a character boundary at or after from (from
// must be a boundary); null when there is none.
const char* FindByte(const char* from, char byte);

// First occurrence of pattern at a character boundary at or after from
// (from must be a boundary); null when there is none.
const char* FindText(const char* from, const char* pattern);

// Whether p starts a character, for a text that starts at start.
bool IsCharBoundary(const char* start, const char* p);

// Boundary tests at positions that never move backwards, in one text: each
// byte is looked at once at most, however long a run of lead-capable bytes.
class BoundaryTest {
public:
    explicit BoundaryTest(const char* start) : known(start) {}
    bool At(const char* p);

private:
    const char* known; // a boundary at or before every position asked so far
};
