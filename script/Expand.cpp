#include "Expand.h"

#include <stdlib.h>
#include <string.h>

#include "Macros.h"
#include "RunContext.h"
#include "foundation/Numbers.h"
#include "system/Registry.h"
#include "system/Shell.h"

namespace {

// A text built by appending, grown by doubling rather than to the exact
// size each time: a word range may join thousands of pieces.
class Builder {
public:
    Builder() : block(nullptr), length(0), capacity(0), failed(false) {}
    ~Builder() { free(block); }
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;

    void Add(const char* piece) {
        size_t add = strlen(piece);
        if (failed || !Reserve(length + add + 1))
            return;
        memcpy(block + length, piece, add + 1);
        length += add;
    }
    const char* Text() const { return block && !failed ? block : ""; }

private:
    bool Reserve(size_t needed) {
        if (needed <= capacity)
            return true;
        size_t grown = capacity ? capacity * 2 : 64;
        while (grown < needed)
            grown *= 2;
        char* larger = static_cast<char*>(realloc(block, grown));
        if (!larger) {
            failed = true;
            return false;
        }
        block = larger;
        capacity = grown;
        return true;
    }

    char* block;
    size_t length;
    size_t capacity;
    bool failed;
};

// A range of word numbers beyond this is cut: no command line has that many
// words, and a number such as 2147483647 must not run for ever.
const long long MaxParamRange = 32768;

// Words first..last of the command line, each taken singly, joined by ", ".
// Numbers still negative are left to Words, which counts them from the end.
String ParamRange(int first, int last) {
    const String& line = runContext.commandLine;
    int wordCount = line.WordCount();
    long long from = first, to = last;
    if (from < 0 || to < 0) {
        if (from < 0)
            from += wordCount;
        if (to < 0)
            to += wordCount;
    }
    if (to - from >= MaxParamRange)
        to = from + MaxParamRange - 1;
    Builder joined;
    for (long long w = from; w <= to; w++) {
        if (w != from)
            joined.Add(", ");
        // Only a number inside -wordCount..wordCount-1 names a word.
        long long index = w < 0 ? w + wordCount : w;
        if (index >= 0 && index < wordCount)
            joined.Add(line.Words(static_cast<int>(w), static_cast<int>(w)).Text());
    }
    return String(joined.Text());
}

// What the function of the group yields, or false to leave the group.
bool CallFunction(const String& group, String& result) {
    String call(group);
    call.Trim("{", "}");
    String name = call.Item(0, "\\");
    String argument = call.Item(1, "\\");
    if (name.EqualsNoCase("?App"))
        return FindAppPath(argument.Text(), result, true);
    if (name.EqualsNoCase("?AppPath")) {
        if (!FindAppPath(argument.Text(), result, false))
            return false;
        result.Trim("", "\\");
        result.Trim("", ";");
        return true;
    }
    if (name.EqualsNoCase("?SpFolder")) {
        if (!GetSpecialFolderPath(nullptr, result, static_cast<int>(ParseHex(argument))))
            return false;
        result.Trim("", "\\");
        return true;
    }
    if (name.EqualsNoCase("?Param")) {
        int first = ParseInt(argument);
        if (call.ItemCount("\\") == 3)
            result = ParamRange(first, ParseInt(call.Item(2, "\\")));
        else
            result = runContext.commandLine.Words(first, first);
        return true;
    }
    return false;
}

} // namespace

// One pass per group counted at the start. A replaced group keeps its
// index, so the next pass meets the first group of what was put in: a
// value that brings groups of its own uses up passes.
static bool ExpandGroups(String& text, const char* open, const char* close,
                         bool (*valueOf)(const String& group, String& value)) {
    int passes = text.GroupCount(open, close);
    bool changed = false;
    int i = 0;
    for (int pass = 0; pass < passes; pass++) {
        String value;
        if (valueOf(text.Groups(i, i, open, close), value)) {
            text.ReplaceGroups(i, i, open, close, value.Text());
            changed = true;
        } else {
            i++;
        }
    }
    return changed;
}

static bool MacroValue(const String& group, String& value) { return LookupMacro(group.Text(), value); }

bool ExpandMacros(String& text) { return ExpandGroups(text, "<", ">", MacroValue); }

bool ExpandFunctions(String& text) { return ExpandGroups(text, "{", "}", CallFunction); }

bool CollapseParents(String& text) {
    if (text.CountOf("\\..") == 0)
        return false;
    int itemCount = text.ItemCount("\\");
    bool changed = false;
    int k = 2;
    for (int test = 0; test < itemCount - 2; test++) {
        if (text.Item(k, "\\").EqualsNoCase("..")) {
            text.ReplaceItems(k - 2, k, "\\", text.Item(k - 2, "\\").Text());
            changed = true;
            if (k == 2)
                break;
            k--;
        } else {
            k++;
        }
    }
    return changed;
}
