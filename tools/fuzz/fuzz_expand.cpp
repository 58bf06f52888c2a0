// The macro table built from fuzzed DEFINE lines, then a fuzzed value
// expanded as ReadKey expands it, under a fuzzed command line.
// CollapseParents is checked against the plain model.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "Model.h"
#include "script/Expand.h"
#include "script/Macros.h"
#include "script/Options.h"
#include "script/RunContext.h"
#include "script/ScriptPlatformNative.h"

RunContext runContext;

static std::string CollapseModel(const std::string& text, bool& changed) {
    changed = false;
    if (model::CountOf(text, "\\..") == 0)
        return text;
    std::vector<std::string> items = model::Split(text, "\\");
    int n = static_cast<int>(items.size());
    if (n - 2 <= 0)
        return text;
    int k = 2;
    for (int test = 0; test < n - 2; test++) {
        if (k < static_cast<int>(items.size()) && items[k] == "..") {
            items.erase(items.begin() + k - 1, items.begin() + k + 1);
            changed = true;
            if (k == 2)
                break;
            k--;
        } else {
            k++;
        }
    }
    std::string joined;
    for (size_t i = 0; i < items.size(); i++)
        joined += (i ? "\\" : "") + items[i];
    return changed ? joined : text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::string define = in.Text(), line = in.Text(), value = in.Text();
    // A line feed on the command line would reach the table through ?Param
    // and add an item, as the rules have it; the count is checked below.
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    // DEFINE as the platform delivers it: non-empty lines, each ended by a zero.
    std::string block;
    size_t start = 0;
    while (start <= define.size()) {
        size_t end = define.find('\n', start);
        if (end == std::string::npos)
            end = define.size();
        if (end > start)
            block += define.substr(start, end - start) + '\0';
        start = end + 1;
    }
    block += '\0';
    SetNativeProfile(block.data(), static_cast<unsigned>(block.size()));
    macroTable.entries.Assign("");
    macroTable.entryCount = 0;
    runContext.modulePath.Assign("C:\\App\\updater.exe");
    runContext.scriptPath.Assign("C:\\App\\updater.ini");
    runContext.commandLine.Assign(line.c_str());
    EXPECT(BuildMacroTable() && macroTable.entryCount >= 6);
    // Entries are items of "\n": a DEFINE line that ends in a lead byte
    // takes the line feed after it, so there may be fewer items than entries.
    EXPECT(macroTable.entries.ItemCount("\n") <= macroTable.entryCount);
    String options;
    GetOption(runContext.commandLine, "t", options);
    GetOption(runContext.commandLine, "i", options);

    String text(value.c_str());
    bool hadGroups = text.GroupCount("<", ">") > 0;
    EXPECT(!ExpandMacros(text) || hadGroups);
    ExpandFunctions(text);
    std::string before = text.Text();
    bool expectedChange;
    std::string expected = CollapseModel(before, expectedChange);
    EXPECT(CollapseParents(text) == expectedChange);
    EXPECT(expected == text.Text());
    return 0;
}
