// Replacing, trimming and counting.
#include "String.h"

#include "Multibyte.h"
#include "PathText.h"
#include "TextBuilders.h"

#include <stdlib.h>
#include <string.h>

// Unchanged when there is no memory for the new text.
void String::ReplaceRange(int first, int last, const char* text) {
    const char* old = Text();
    size_t length = strlen(old), add = strlen(text);
    size_t before = first > 0 ? static_cast<size_t>(first) : 0;
    if (before > length)
        before = length;
    size_t after = last + 1 < static_cast<int>(length) ? length - static_cast<size_t>(last + 1) : 0;
    char* block = static_cast<char*>(malloc(before + add + after + 1));
    if (!block) {
        NoteFailedAllocation();
        return;
    }
    memcpy(block, old, before);
    memcpy(block + before, text, add);
    memcpy(block + before + add, old + length - after, after + 1);
    Adopt(block);
}

// Whether one pass from left to right gives what searching again from the
// start after each replacement gives: the replacement shares no byte with
// the pattern, so it can make no new occurrence with its neighbours, and
// both are ASCII, so no character boundary moves. True for every pair the
// program uses ("%n" and "%t" by a line feed and a tab).
static bool OnePassSuffices(const char* pattern, const char* text) {
    for (const char* p = pattern; *p; p++) {
        if (*p & 0x80 || strchr(text, *p))
            return false;
    }
    for (const char* t = text; *t; t++) {
        if (*t & 0x80)
            return false;
    }
    return *text != 0;
}

static bool ReplaceInOnePass(String& target, const char* pattern, const char* text) {
    size_t patternLength = strlen(pattern), add = strlen(text);
    ExpansionText work;
    if (!work.Start(target.Text(), ~static_cast<size_t>(0) / 2))
        return false;
    for (const char* hit; (hit = FindText(work.Rest(), pattern)) != nullptr; work.Keep(add)) {
        work.Keep(static_cast<size_t>(hit - work.Rest()));
        if (!work.Replace(patternLength, text))
            return false;
    }
    work.TakeResult(target);
    return true;
}

// The rule searches again from the start after each replacement, so what a
// replacement joins with its neighbours is searched again; where that can
// make nothing new, one pass gives the same text. Each replacement of the
// stepwise way frees the block, so it works on copies of the pattern and
// the text, which may lie in it; the one pass keeps the block until done.
bool String::ReplaceAll(const char* pattern, const char* text) {
    const char* hit = FindText(Text(), pattern);
    if (!hit)
        return false;
    if (OnePassSuffices(pattern, text))
        return ReplaceInOnePass(*this, pattern, text);
    unsigned failures = FailedAllocations();
    String patternCopy(pattern), textCopy(text);
    int patternLength = patternCopy.Length();
    while (hit && FailedAllocations() == failures) {
        int first = static_cast<int>(hit - Text());
        ReplaceRange(first, first + patternLength - 1, textCopy.Text());
        hit = FindText(Text(), patternCopy.Text());
    }
    return FailedAllocations() == failures;
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
