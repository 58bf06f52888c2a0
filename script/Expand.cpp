#include "Expand.h"

#include <stdlib.h>
#include <string.h>

#include "FunctionCache.h"
#include "Macros.h"
#include "RunBudget.h"
#include "RunContext.h"
#include "ScriptPlatform.h"
#include "foundation/Cursors.h"
#include "foundation/Multibyte.h"
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

// What the function of the group yields: changed, or unchanged to leave the group.
ExpandStep CallFunction(const char* group, String& result) {
    String call(group);
    call.Trim("{", "}");
    String name = call.Item(0, "\\");
    String argument = call.Item(1, "\\");
    if (name.EqualsNoCase("?App"))
        return ScriptFindAppPath(argument.Text(), result, true) ? StepChanged : StepUnchanged;
    if (name.EqualsNoCase("?AppPath")) {
        if (!ScriptFindAppPath(argument.Text(), result, false))
            return StepUnchanged;
        result.Trim("", "\\");
        result.Trim("", ";");
        return StepChanged;
    }
    if (name.EqualsNoCase("?SpFolder")) {
        if (!ScriptSpecialFolder(result, static_cast<int>(ParseHex(argument))))
            return StepUnchanged;
        result.Trim("", "\\");
        return StepChanged;
    }
    if (!name.EqualsNoCase("?Param"))
        return StepUnchanged;
    int first = ParseInt(argument);
    if (call.ItemCount("\\") != 3)
        result = runContext.commandLine.Words(first, first);
    else if (!ParamRange(first, ParseInt(call.Item(2, "\\")), result))
        return StepFailed;
    return StepChanged;
}

// The answer kept for the group, or the function asked and its answer kept.
ExpandStep AnsweredCall(const char* group, String& result) {
    ExpandStep step;
    if (FindFunctionAnswer(group, step, result))
        return step;
    if (!ChargeRunWork(FunctionCallCost))
        return StepFailed;
    step = CallFunction(group, result);
    if (step != StepFailed)
        KeepFunctionAnswer(group, step, result);
    return step;
}

} // namespace

// One pass per group counted at the start. A replaced group keeps its
// index, so the next pass meets the first group of what was put in: a
// value that brings groups of its own uses up passes. The text before the
// current group never changes again, so each pass goes on from there.
// Any allocation that fails on the way, here or in a function, fails the
// step and leaves the text as it was.
static ExpandStep ExpandGroups(String& text, const char* open, const char* close, size_t limit,
                               ExpandStep (*valueOf)(const char* group, String& value)) {
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
        ExpandStep step = ChargeRunWork(LookupCost) ? valueOf(group.Text(), value) : StepFailed;
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

ExpandStep ExpandMacrosStep(String& text, size_t limit) { return ExpandGroups(text, "<", ">", limit, LookupMacroStep); }

ExpandStep ExpandFunctionsStep(String& text, size_t limit) {
    return ExpandGroups(text, "{", "}", limit, AnsweredCall);
}

bool ExpandMacros(String& text) { return ExpandMacrosStep(text) == StepChanged; }

bool ExpandFunctions(String& text) { return ExpandFunctionsStep(text) == StepChanged; }

bool CollapseParents(String& text) { return CollapseParentsStep(text) == StepChanged; }

bool ExpandValue(String& value, size_t limit) {
    return ExpandMacrosStep(value, limit) != StepFailed && ExpandFunctionsStep(value, limit) != StepFailed &&
           CollapseParentsStep(value) != StepFailed;
}

// Items of "\\" only: the value is text, and "/" is no separator here. The
// kept items stand on a stack, and a ".." takes back the one before it; once
// it takes back the second, the rest stays as written. The first two items
// are never taken back.
ExpandStep CollapseParentsStep(String& text) {
    const char* start = text.Text();
    if (!FindText(start, "\\.."))
        return StepUnchanged;
    int count = 1;
    for (const char* p = FindByte(start, '\\'); p; p = FindByte(p + 1, '\\'))
        count++;
    if (count < 3)
        return StepUnchanged;
    // The start of each item, one more for the end of the text, and the
    // stack of the items kept.
    const char** starts = static_cast<const char**>(malloc((count + 1) * sizeof *starts + count * sizeof(int)));
    if (!starts) {
        NoteFailedAllocation();
        return StepFailed;
    }
    int* kept = reinterpret_cast<int*>(starts + count + 1);
    const char* p = start;
    for (int i = 0; i < count; i++) {
        starts[i] = p;
        const char* end = FindByte(p, '\\');
        p = (end ? end : p + strlen(p)) + 1;
    }
    starts[count] = p;
    int depth = 0;
    for (int i = 0; i < count; i++) {
        const char* item = starts[i];
        if (i < 2 || starts[i + 1] - item != 3 || item[0] != '.' || item[1] != '.') {
            kept[depth++] = i;
        } else if (--depth == 1) {
            while (++i < count)
                kept[depth++] = i;
        }
    }
    // Each item with the byte after it: its separator, or the terminator.
    bool changed = depth < count;
    size_t length = 0;
    for (int k = 0; k < depth; k++)
        length += static_cast<size_t>(starts[kept[k] + 1] - starts[kept[k]]);
    char* block = changed ? static_cast<char*>(malloc(length)) : nullptr;
    for (char* out = block; block && out < block + length; kept++) {
        size_t itemLength = static_cast<size_t>(starts[*kept + 1] - starts[*kept]) - 1;
        memcpy(out, starts[*kept], itemLength);
        out += itemLength;
        *out = out + 1 < block + length ? '\\' : 0;
        out++;
    }
    free(starts);
    if (changed && !block) {
        NoteFailedAllocation();
        return StepFailed;
    }
    if (!changed)
        return StepUnchanged;
    text.Adopt(block);
    return StepChanged;
}
