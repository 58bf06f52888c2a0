// Replacing, trimming and counting.
#include "String.h"

#include "Multibyte.h"
#include "PathText.h"

#include <stdint.h>
#include <string.h>

void String::ReplaceRange(int first, int last, const char* text) {
    const char* start = Text();
    int end = Length() - 1;
    String result;
    if (first > 0)
        result = Slice(start, start + first - 1);
    result.Append(text);
    if (last < end)
        result.Append(Slice(start + last + 1, start + end).Text());
    Assign(result.Text());
}

// Whether a text lies inside [block, block + length], terminator included.
static bool LiesIn(const char* text, const char* block, size_t length) {
    uintptr_t at = reinterpret_cast<uintptr_t>(text), start = reinterpret_cast<uintptr_t>(block);
    return at >= start && at <= start + length;
}

// Every search starts again at the beginning, so what a replacement joins
// with its neighbours is searched again. Each replacement frees the block,
// so a pattern or text taken from it is copied first, as Assign does.
bool String::ReplaceAll(const char* pattern, const char* text) {
    const char* hit = FindText(Text(), pattern);
    if (!hit)
        return false;
    size_t blockLength = strlen(Text());
    String patternCopy, textCopy;
    if (LiesIn(pattern, Text(), blockLength)) {
        if (!patternCopy.Assign(pattern))
            return false;
        pattern = patternCopy.Text();
    }
    if (LiesIn(text, Text(), blockLength)) {
        if (!textCopy.Assign(text))
            return false;
        text = textCopy.Text();
    }
    int patternLength = static_cast<int>(strlen(pattern));
    do {
        int first = static_cast<int>(hit - Text());
        ReplaceRange(first, first + patternLength - 1, text);
        hit = FindText(Text(), pattern);
    } while (hit);
    return true;
}

// How many copies of `trailing` end text[first, end), taken from the end
// while each starts a character (a trail byte 0x5C is no backslash). The
// boundaries are tested front to back, so each byte is looked at once.
static size_t TrailingMatches(const char* text, size_t first, size_t end, const char* trailing,
                              size_t trailingLength) {
    size_t matches = 0;
    while (end - first >= (matches + 1) * trailingLength &&
           ::EqualsNoCase(text + end - (matches + 1) * trailingLength, trailing,
                          static_cast<unsigned>(trailingLength)))
        matches++;
    BoundaryTest boundary(text);
    size_t kept = matches;
    for (size_t j = matches; j >= 1; j--) {
        if (!boundary.At(text + end - j * trailingLength))
            kept = j - 1;
    }
    return kept;
}

void String::Trim(const char* leading, const char* trailing) {
    const char* text = Text();
    size_t length = strlen(text);
    size_t leadingLength = strlen(leading);
    size_t trailingLength = strlen(trailing);
    size_t first = 0;
    size_t end = length;  // one past the last byte kept
    if (leadingLength && length >= leadingLength) {
        while (length - first >= leadingLength && ::EqualsNoCase(text + first, leading, static_cast<unsigned>(leadingLength)))
            first += leadingLength;
    }
    if (trailingLength)
        end -= TrailingMatches(text, first, end, trailing, trailingLength) * trailingLength;
    if (first == 0 && end == length)
        return;
    if (end == first)
        Assign("");
    else
        Assign(Slice(text + first, text + end - 1).Text());
}

int String::CountOf(const char* pattern) const {
    size_t patternLength = strlen(pattern);
    int count = 0;
    for (const char* hit = FindText(Text(), pattern); hit; hit = FindText(hit + patternLength, pattern))
        count++;
    return count;
}

bool DirectoryOf(const String& path, String& target) {
    const char* text = path.Text();
    const char* backslash = nullptr;
    // Character by character: a trail byte 0x5C is not a backslash; "/"
    // separates as "\\" does.
    for (const char* p = text; *p; p = NextChar(p)) {
        if (IsPathSeparator(*p))
            backslash = p;
    }
    if (!backslash || backslash == text)
        return false;
    unsigned length = static_cast<unsigned>(backslash - text);
    String directory;
    if (!directory.AllocBuffer(length + 1))
        return false;
    memcpy(directory.Text(), text, length);
    target = directory;
    return true;
}
