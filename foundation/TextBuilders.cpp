#include "TextBuilders.h"

#include <stdlib.h>
#include <string.h>

Builder::~Builder() { free(block); }

void Builder::Add(const char* piece) {
    size_t add = strlen(piece);
    if (failed)
        return;
    if (length + add + 1 > capacity) {
        size_t grown = capacity ? capacity * 2 : 64;
        while (grown < length + add + 1)
            grown *= 2;
        char* larger = static_cast<char*>(realloc(block, grown));
        if (!larger) {
            NoteFailedAllocation();
            failed = true;
            return;
        }
        block = larger;
        capacity = grown;
    }
    memcpy(block + length, piece, add + 1);
    length += add;
}

bool Builder::TakeResult(String& target) {
    if (failed)
        return false;
    target.Adopt(block);
    block = nullptr;
    length = capacity = 0;
    return true;
}

ExpansionText::~ExpansionText() { free(block); }

bool ExpansionText::Start(const char* text, size_t textLimit) {
    limit = textLimit;
    size_t length = strlen(text);
    capacity = length + 1 + 64;
    block = static_cast<char*>(malloc(capacity));
    if (!block) {
        NoteFailedAllocation();
        return false;
    }
    doneLength = 0;
    restStart = capacity - 1 - length;
    memcpy(block + restStart, text, length + 1);
    return true;
}

void ExpansionText::Keep(size_t count) {
    memmove(block + doneLength, block + restStart, count);
    doneLength += count;
    restStart += count;
}

bool ExpansionText::Replace(size_t count, const char* replacement) {
    restStart += count;
    size_t add = strlen(replacement);
    size_t restLength = capacity - restStart;
    if (doneLength + add + restLength - 1 > limit)
        return false;
    if (restStart - doneLength < add) {
        size_t grown = capacity * 2;
        while (grown < doneLength + add + restLength)
            grown *= 2;
        char* larger = static_cast<char*>(malloc(grown));
        if (!larger) {
            NoteFailedAllocation();
            return false;
        }
        memcpy(larger, block, doneLength);
        memcpy(larger + grown - restLength, block + restStart, restLength);
        free(block);
        block = larger;
        restStart = grown - restLength;
        capacity = grown;
    }
    restStart -= add;
    memcpy(block + restStart, replacement, add);
    return true;
}

void ExpansionText::TakeResult(String& target) {
    memmove(block + doneLength, block + restStart, capacity - restStart);
    // Giving back the spare room cannot fail in practice; if it does, the
    // larger block holds the same text.
    char* exact = static_cast<char*>(realloc(block, doneLength + capacity - restStart));
    target.Adopt(exact ? exact : block);
    block = nullptr;
}
