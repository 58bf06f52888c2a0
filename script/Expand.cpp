#include "Expand.h"

#include <new>
#include <stdlib.h>
#include <string.h>

#include "Macros.h"
#include "RunContext.h"
#include "ScriptPlatform.h"
#include "foundation/Cursors.h"
#include "foundation/Numbers.h"
#include "foundation/TextBuilders.h"

namespace {

// A stretch of numbers beyond the words (below the first or after the last)
// is cut to this many at its far end: no command line has that many words,
// and a number such as 2147483647 must not run for ever, while every number
// that names a word stays in the range.
const long long MaxEmptyStretch = 32768;

// Words first..last of the command line, each taken singly, joined by ", ".
// A number still negative counts from the end.
bool ParamRange(int first, int last, String& result) {
    const String& line = runContext.commandLine;
    int wordCount = line.WordCount();
    long long from = first, to = last;
    if (from < 0 || to < 0) {
        if (from < 0)
            from += wordCount;
        if (to < 0)
            to += wordCount;
    }
    long long below = to < -wordCount - 1 ? to : -wordCount - 1;
    if (from < below - MaxEmptyStretch + 1)
        from = below - MaxEmptyStretch + 1;
    long long above = from > wordCount ? from : wordCount;
    if (to > above + MaxEmptyStretch - 1)
        to = above + MaxEmptyStretch - 1;
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
    return joined.TakeResult(result);
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
            return ParamRange(first, ParseInt(call.Item(2, "\\")), result);
        result = runContext.commandLine.Words(first, first);
        return true;
    }
    return false;
}

ExpandStep FunctionValue(const String& group, String& value) {
    return CallFunction(group, value) ? StepChanged : StepUnchanged;
}

ExpandStep MacroValue(const String& group, String& value) {
    return LookupMacroStep(group.Text(), value);
}

} // namespace

// One pass per group counted at the start. A replaced group keeps its
// index, so the next pass meets the first group of what was put in: a
// value that brings groups of its own uses up passes. The text before the
// current group never changes again, so each pass goes on from there.
// Any allocation that fails on the way, here or in a function, fails the
// step and leaves the text as it was.
static ExpandStep ExpandGroups(String& text, const char* open, const char* close, size_t limit,
                               ExpandStep (*valueOf)(const String& group, String& value)) {
    unsigned failures = FailedAllocations();
    int passes = text.GroupCount(open, close);
    if (passes == 0)
        return StepUnchanged;
    ExpansionText work;
    if (!work.Start(text.Text(), limit))
        return StepFailed;
    bool changed = false;
    for (int pass = 0; pass < passes; pass++) {
        const char* rest = work.Rest();
        int first, last;
        if (!FindFirstGroup(rest, open, close, first, last))
            break;
        String group = text.Slice(rest + first, rest + last);
        String value;
        work.Keep(first);
        ExpandStep step = valueOf(group, value);
        if (step == StepFailed || (step == StepChanged && !work.Replace(last - first + 1, value.Text())))
            return StepFailed;
        if (step == StepChanged)
            changed = true;
        else
            work.Keep(last - first + 1);
    }
    if (FailedAllocations() != failures)
        return StepFailed;
    if (!changed)
        return StepUnchanged;
    work.TakeResult(text);
    return StepChanged;
}

ExpandStep ExpandMacrosStep(String& text, size_t limit) { return ExpandGroups(text, "<", ">", limit, MacroValue); }

ExpandStep ExpandFunctionsStep(String& text, size_t limit) {
    return ExpandGroups(text, "{", "}", limit, FunctionValue);
}

bool ExpandMacros(String& text) { return ExpandMacrosStep(text) == StepChanged; }

bool ExpandFunctions(String& text) { return ExpandFunctionsStep(text) == StepChanged; }

bool CollapseParents(String& text) { return CollapseParentsStep(text) == StepChanged; }

bool ExpandValue(String& value) {
    return ExpandMacrosStep(value) != StepFailed && ExpandFunctionsStep(value) != StepFailed &&
           CollapseParentsStep(value) != StepFailed;
}

// Levels are kept on a stack: ".." takes back the level before it. When it
// would take back the second level, the first stays and everything after
// the ".." is kept as written.
ExpandStep CollapseParentsStep(String& text) {
    if (text.CountOf("\\..") == 0)
        return StepUnchanged;
    int count = text.ItemCount("\\");
    if (count < 3)
        return StepUnchanged;
    unsigned failures = FailedAllocations();
    String* levels = new (std::nothrow) String[count];
    if (!levels) {
        NoteFailedAllocation();
        return StepFailed;
    }
    ItemCursor items(text, "\\");
    int kept = 0;
    bool changed = false;
    for (int i = 0; i < count; i++) {
        String level = items.Next();
        if (i < 2 || !level.EqualsNoCase("..")) {
            levels[kept++] = level;
            continue;
        }
        changed = true;
        if (--kept == 1) {
            // The rest stays as it was written.
            for (i++; i < count; i++)
                levels[kept++] = items.Next();
            break;
        }
    }
    Builder joined;
    for (int k = 0; changed && k < kept; k++) {
        if (k)
            joined.Add("\\");
        joined.Add(levels[k].Text());
    }
    delete[] levels;
    if (FailedAllocations() != failures || (changed && !joined.TakeResult(text)))
        return StepFailed;
    return changed ? StepChanged : StepUnchanged;
}
