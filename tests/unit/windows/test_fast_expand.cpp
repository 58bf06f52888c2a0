// Macro groups, "?Param" ranges and parent steps in one pass, against the
// stepwise definitions they replace, on random texts.
#include <doctest.h>

#include <random>
#include <vector>
#include <string>

#include "script/Expand.h"
#include "script/Macros.h"
#include "script/RunContext.h"

namespace {

std::string RandomPieces(std::mt19937& random, const std::vector<std::string>& pieces, int count) {
    std::string text;
    for (int i = 0; i < count; i++)
        text += pieces[random() % pieces.size()];
    return text;
}

// Group i from the start of the text for every pass.
std::string PlainMacros(std::string text) {
    String s(text.c_str());
    int passes = s.GroupCount("<", ">"), i = 0;
    for (int pass = 0; pass < passes; pass++) {
        String value;
        if (LookupMacro(s.Groups(i, i, "<", ">").Text(), value))
            s.ReplaceGroups(i, i, "<", ">", value.Text());
        else
            i++;
    }
    return s.Text();
}

std::string PlainParents(std::string text) {
    String s(text.c_str());
    if (s.CountOf("\\..") == 0)
        return text;
    int itemCount = s.ItemCount("\\"), k = 2;
    for (int test = 0; test < itemCount - 2; test++) {
        if (s.Item(k, "\\").EqualsNoCase("..")) {
            s.ReplaceItems(k - 2, k, "\\", s.Item(k - 2, "\\").Text());
            if (k == 2)
                break;
            k--;
        } else {
            k++;
        }
    }
    return s.Text();
}

std::string PlainParam(const String& line, int first, int last) {
    int count = line.WordCount();
    long long from = first < 0 ? first + count : first, to = last < 0 ? last + count : last;
    std::string joined;
    for (long long w = from; w <= to && w - from < 32768; w++) {
        if (w != from)
            joined += ", ";
        long long index = w < 0 ? w + count : w;
        if (index >= 0 && index < count)
            joined += line.Words(static_cast<int>(w), static_cast<int>(w)).Text();
    }
    return joined;
}

} // namespace

TEST_CASE("Expansion in one pass gives what the stepwise definitions give") {
    std::mt19937 random(7122026);
    macroTable.entryCount = 0;
    macroTable.entries.Assign("");
    SetMacro("<A>", "x");
    SetMacro("<B>", "<A><A>");
    SetMacro("<C>", "<");
    SetMacro("<D>", ">\x81");
    const std::vector<std::string> macroPieces = {"<A>", "<B>", "<C>", "<D>", "<Nope>", "<", ">", "a",
                                                  "\x81", "\x95\x5C", " "};
    const std::vector<std::string> pathPieces = {"\\", "..", "a", "b", ".", "\x95\x5C", "\x81"};
    const std::vector<std::string> wordPieces = {" ", "a", "\"", "b c", "\x81", "\x95\x5C"};
    for (int round = 0; round < 2000; round++) {
        std::string text = RandomPieces(random, macroPieces, static_cast<int>(random() % 12));
        CAPTURE(text);
        String macros(text.c_str());
        ExpandMacros(macros);
        REQUIRE(std::string(macros.Text()) == PlainMacros(text));

        std::string path = RandomPieces(random, pathPieces, static_cast<int>(random() % 14));
        CAPTURE(path);
        String parents(path.c_str());
        CollapseParents(parents);
        REQUIRE(std::string(parents.Text()) == PlainParents(path));

        std::string line = RandomPieces(random, wordPieces, static_cast<int>(random() % 10));
        CAPTURE(line);
        runContext.commandLine.Assign(line.c_str());
        int first = static_cast<int>(random() % 9) - 4, last = static_cast<int>(random() % 9) - 4;
        String call(("{?Param\\" + std::to_string(first) + "\\" + std::to_string(last) + "}").c_str());
        ExpandFunctions(call);
        REQUIRE(std::string(call.Text()) == PlainParam(runContext.commandLine, first, last));
    }
    runContext.commandLine.Assign("");
    macroTable.entryCount = 0;
    macroTable.entries.Assign("");
}
