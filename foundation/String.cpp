#include "String.h"

#include <stdlib.h>
#include <string.h>

#include "Multibyte.h"

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

template <typename C> static C FoldAscii(C c) { return (c >= 'a' && c <= 'z') ? static_cast<C>(c - 'a' + 'A') : c; }

// The one case fold of the system: ASCII letters only, and never the trail
// byte of a double-byte character (0x41..0x7A are trail bytes too). Both
// texts start at a character boundary; while they agree, their boundaries
// agree, so one lead-byte test serves both.
static bool EqualsFolded(const char* a, const char* b, unsigned length, bool toTerminator) {
    for (unsigned i = 0; i < length; i++) {
        if (a[i] == b[i] && a[i] != 0 && IsLeadByte(static_cast<unsigned char>(a[i]))) {
            if (++i < length && a[i] != b[i])
                return false;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        if (toTerminator && i < length && !a[i])
            return true;
    }
    return true;
}

bool EqualsNoCase(const char* a, const char* b) { return EqualsFolded(a, b, ~0u, true); }

bool EqualsNoCase(const char* a, const char* b, unsigned length) { return EqualsFolded(a, b, length, false); }

bool EqualsNoCase(const wchar_t* a, const wchar_t* b, unsigned length) {
    for (unsigned i = 0; i < length && (a[i] || b[i]); i++) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

bool String::EqualsNoCase(const char* other) const { return ::EqualsNoCase(Text(), other ? other : ""); }

void String::FoldCase() {
    for (char* p = text; p && *p; p++) {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1])
            p++;
        else
            *p = FoldAscii(*p);
    }
}
