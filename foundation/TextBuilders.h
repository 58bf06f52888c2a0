// Texts built in steps without copying what is already built: the joined
// words of "?Param" ranges and the text being expanded. Both grow by
// doubling; an allocation that fails makes them fail, never overrun, and
// counts in FailedAllocations.
#pragma once

#include <stddef.h>

#include "String.h"

// Appends pieces.
class Builder {
public:
    Builder() : block(nullptr), length(0), capacity(0), failed(false) {}
    ~Builder();
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;

    void Add(const char* piece);
    // What was added so far; valid until the next Add.
    const char* Text() const { return block ? block : ""; }
    size_t Length() const { return length; }
    bool Failed() const { return failed; }
    // Hands what was added over to the target; false, target unchanged,
    // after a failed allocation.
    bool TakeResult(String& target);

private:
    char* block;
    size_t length;
    size_t capacity;
    bool failed;
};

// No value of a script comes near this once expanded; a value that would
// pass it is a script built to exhaust the machine.
const size_t ExpansionLimit = 4u << 20;

// A text worked through from its front: what is done grows at the start of
// the block, the rest still to be read sits at its end, and a replacement
// is written just before the rest. Each byte moves a bounded number of
// times, however many replacements there are.
class ExpansionText {
public:
    ExpansionText() : block(nullptr), capacity(0), doneLength(0), restStart(0), limit(0) {}
    ~ExpansionText();
    ExpansionText(const ExpansionText&) = delete;
    ExpansionText& operator=(const ExpansionText&) = delete;

    // The text may not grow past `limit` bytes.
    bool Start(const char* text, size_t limit);
    // Zero-terminated; valid until the next call that changes the text.
    const char* Rest() const { return block + restStart; }
    // The first count bytes of the rest are done.
    void Keep(size_t count);
    // The first count bytes of the rest give way to the replacement, which
    // is read next. False when there is no memory for it, or when the text
    // would pass its limit.
    bool Replace(size_t count, const char* replacement);
    // Hands what is done followed by the rest over to the target; nothing
    // but the destructor may follow.
    void TakeResult(String& target);

private:
    char* block;
    size_t capacity;   // the rest's terminator is the last byte
    size_t doneLength;
    size_t restStart;
    size_t limit;
};
