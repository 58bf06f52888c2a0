#include "Expand.h"

#include <new>
#include <stdlib.h>
#include <string.h>

#include "Macros.h"
#include "RunContext.h"
#include "ScriptPlatform.h"
#include "foundation/Cursors.h"
#include "foundation/TextBuilders.h"
#include "foundation/Numbers.h"
#include "foundation/PathText.h"

namespace {

// A range of word numbers beyond this is cut: no command line has that many
// words, and a number such as 2147483647 must not run for ever.
const long long MaxParamRange = 32768;

// Words first..last of the command line, each taken singly, joined by ", ".
// A number still negative counts from the end.
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
    // The numbers below 0 and those from 0 on each name words in increasing
    // order: one cursor each.
    WordCursor fromEnd(line), fromStart(line);
    for (long long w = from; w <= to; w++) {
        if (w != from)
            joined.Add(", ");
        // Only a number inside -wordCount..wordCount-1 names a word.
        long long index = w < 0 ? w + wordCount : w;
        if (index >= 0 && index < wordCount)
            joined.Add((w < 0 ? fromEnd : fromStart).Word(static_cast<int>(index)).Text());
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
        return ScriptFindAppPath(argument.Text(), result, true);
    if (name.EqualsNoCase("?AppPath")) {
        if (!ScriptFindAppPath(argument.Text(), result, false))
            return false;
        result.Trim("", "\\");
        result.Trim("", ";");
        return true;
    }
    if (name.EqualsNoCase("?SpFolder")) {
        if (!ScriptSpecialFolder(result, static_cast<int>(ParseHex(argument))))
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
// value that brings groups of its own uses up passes. The text before the
// current group never changes again, so each pass goes on from there.
static bool ExpandGroups(String& text, const char* open, const char* close,
                         bool (*valueOf)(const String& group, String& value)) {
    int passes = text.GroupCount(open, close);
    ExpansionText work;
    if (passes == 0 || !work.Start(text.Text()))
        return false;
    bool changed = false;
    for (int pass = 0; pass < passes; pass++) {
        const char* rest = work.Rest();
        int first, last;
        if (!FindFirstGroup(rest, open, close, first, last))
            break;
        String group = text.Slice(rest + first, rest + last);
        String value;
        work.Keep(first);
        if (!valueOf(group, value)) {
            work.Keep(last - first + 1);
        } else if (work.Replace(last - first + 1, value.Text())) {
            changed = true;
        } else {
            return false; // out of memory: the text stays as it was
        }
    }
    return changed && work.TakeResult(text);
}

static bool MacroValue(const String& group, String& value) { return LookupMacro(group.Text(), value); }

bool ExpandMacros(String& text) { return ExpandGroups(text, "<", ">", MacroValue); }

bool ExpandFunctions(String& text) { return ExpandGroups(text, "{", "}", CallFunction); }

static String NextLevel(const String& text, const char*& next) {
    const char* end = PathLevelEnd(next);
    String level = text.Slice(next, end - 1);
    next = *end ? end + 1 : end;
    return level;
}

// Levels ("\\" and "/" both end one) are kept on a stack: ".." takes back
// the level before it. When it would take back the second level, the first
// stays and everything after the ".." is kept as written.
bool CollapseParents(String& text) {
    if (text.CountOf("..") == 0)
        return false;
    int count = PathLevelCount(text.Text());
    if (count < 3)
        return false;
    String* levels = new (std::nothrow) String[count];
    if (!levels)
        return false;
    const char* next = text.Text();
    int kept = 0;
    bool changed = false;
    for (int i = 0; i < count; i++) {
        String level = NextLevel(text, next);
        if (i < 2 || !level.EqualsNoCase("..")) {
            levels[kept++] = level;
            continue;
        }
        changed = true;
        if (--kept == 1) {
            // The rest stays as it was written.
            for (i++; i < count; i++)
                levels[kept++] = NextLevel(text, next);
            break;
        }
    }
    if (changed) {
        Builder joined;
        for (int k = 0; k < kept; k++) {
            if (k)
                joined.Add("\\");
            joined.Add(levels[k].Text());
        }
        text.Assign(joined.Text());
    }
    delete[] levels;
    return changed;
}
