#include "String.h"

#include <stdlib.h>
#include <string.h>

static char emptyText[1];

static unsigned failedAllocations;

unsigned FailedAllocations() { return failedAllocations; }

void NoteFailedAllocation() { failedAllocations++; }

static char* NewBlock(unsigned byteCount) {
    char* block = static_cast<char*>(calloc(byteCount ? byteCount : 1, 1));
    if (!block)
        NoteFailedAllocation();
    return block;
}

String::String() : text(NewBlock(1)) {}

String::String(const char* source) : text(nullptr) { Assign(source); }

String::String(const String& other) : text(nullptr) { Assign(other.Text()); }

String::~String() { free(text); }

String& String::operator=(const String& other) {
    Assign(other.Text());
    return *this;
}

char* String::Text() const {
    if (!text) {
        emptyText[0] = 0;
        return emptyText;
    }
    return text;
}

int String::Length() const { return static_cast<int>(strlen(Text())); }

bool String::AllocBuffer(unsigned byteCount) {
    free(text);
    text = NewBlock(byteCount);
    return text != nullptr;
}

void String::Adopt(char* block) {
    free(text);
    text = block;
}

// Both copy the source first: it may lie inside this String's own block.
bool String::Assign(const char* source) {
    if (!source)
        source = "";
    size_t length = strlen(source);
    char* block = NewBlock(static_cast<unsigned>(length + 1));
    if (block)
        memcpy(block, source, length);
    free(text);
    text = block;
    return block != nullptr;
}

bool String::Append(const char* source) {
    if (!source)
        source = "";
    size_t oldLength = strlen(Text());
    size_t addLength = strlen(source);
    char* block = NewBlock(static_cast<unsigned>(oldLength + addLength + 1));
    if (block) {
        memcpy(block, Text(), oldLength);
        memcpy(block + oldLength, source, addLength);
    }
    free(text);
    text = block;
    return block != nullptr;
}

String String::Slice(const char* first, const char* last) const {
    String result;
    if (!first || !last || last < first)
        return result;
    // A range that runs past the terminator ends at the text's end.
    size_t wanted = static_cast<size_t>(last - first) + 1;
    const void* terminator = memchr(first, 0, wanted);
    size_t length = terminator ? static_cast<size_t>(static_cast<const char*>(terminator) - first) : wanted;
    if (result.AllocBuffer(static_cast<unsigned>(length + 1)))
        memcpy(result.Text(), first, length);
    return result;
}

String String::operator+(const char* other) const {
    String result(*this);
    result.Append(other);
    return result;
}

String String::operator+(const String& other) const { return *this + other.Text(); }

static char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(const char* a, const char* b) {
    for (;; a++, b++) {
        if (FoldAscii(*a) != FoldAscii(*b))
            return false;
        if (!*a)
            return true;
    }
}

bool EqualsNoCase(const char* a, const char* b, unsigned length) {
    for (unsigned i = 0; i < length; i++) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

bool String::EqualsNoCase(const char* other) const { return ::EqualsNoCase(Text(), other ? other : ""); }
