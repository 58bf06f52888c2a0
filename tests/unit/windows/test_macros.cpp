// The macro table: DEFINE, the built-in macros and the one expansion pass.
#include "tests/unit/Unit.h"

#include <shlobj.h>
#include <windows.h>

#include "script/Expand.h"
#include "script/Macros.h"
#include "script/RunContext.h"
#include "ScriptFile.h"

namespace {

// The script's DEFINE section, with an empty macro table before and after.
struct MacroScript : ScriptFile {
    explicit MacroScript(const std::string& content) : ScriptFile("macros", content) {
        runContext.modulePath.Assign("C:\\Program Files\\Tool\\updater.exe");
        macroTable = MacroTable();
    }
    ~MacroScript() { macroTable = MacroTable(); }
};

std::string Lookup(const char* name) {
    String value;
    return LookupMacro(name, value) ? S(value) : "(not found)";
}

std::string Expanded(const char* text) {
    String value(text);
    return ExpandMacros(value), S(value);
}

std::string Directory(UINT (WINAPI *get)(LPSTR, UINT)) {
    char buffer[MAX_PATH];
    get(buffer, MAX_PATH);
    return buffer;
}

const std::string windows = Directory(GetWindowsDirectoryA);

// {win}, {builtins} (the six built-in macros in their order) and {rest}
// (all but <Win>), filled in.
std::string Fill(std::string text) {
    std::string builtIns = "<Win>={win}\n<Sys>=" + Directory(GetSystemDirectoryA) +
                           "\n<Src>=C:\\Program Files\\Tool\n<Desktop>=" +
                           FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY) + "\n<Programs>=" +
                           FolderPath(CSIDL_COMMON_PROGRAMS) + "\n<Temp>=" + TempFolder();
    const std::string names[] = {"{builtins}", "{rest}", "{win}"};
    const std::string values[] = {builtIns, builtIns.substr(builtIns.find('\n') + 1), windows};
    for (int i = 0; i < 3; i++)
        for (size_t at; (at = text.find(names[i])) != std::string::npos;)
            text.replace(at, names[i].size(), values[i]);
    return text;
}

struct TableRow {
    const char* define;  // the DEFINE lines
    const char* entries; // the table's entries
    int entryCount;
};

// Comments are not entered; a built-in macro overrides its DEFINE line in
// place, counted once; a line without brackets is entered but never found;
// a later line sees an earlier one expanded, an earlier one sees a later
// one as written.
const TableRow tableRows[] = {
    {"", "{builtins}", 6}, {";x=1\r\n<A>=1\r\n<B>=2", "<A>=1\n<B>=2\n{builtins}", 8},
    {"<A>=1\r\n<Win>=D:\\X\r\n<B>=2", "<A>=1\n<Win>={win}\n<B>=2\n{rest}", 8}, {"Plain=1", "Plain=1\n{builtins}", 7},
    {"<B>=<A>\\x\r\n<A>=<Win>\\sub", "<B>=<Win>\\sub\\x\n<A>={win}\\sub\n{builtins}", 8},
    {"<A>=sub\r\n<B>=<A>\\x", "<A>=sub\n<B>=sub\\x\n{builtins}", 8},
    {"<A>=<A><A>", "<A>=<A><A><A><A>\n{builtins}", 7}, // two passes, each on group 0
    {"<J>=C:\\\x95\x5C\\..\\x\r\n<K>=<J>\\\x95\x5C", "<J>=C:\\x\n<K>=C:\\x\\\x95\x5C\n{builtins}", 8},
};

struct LookupRow { const char* define; const char* text; const char* expanded; };

const LookupRow lookupRows[] = {
    {"<Target>=C:\\T", "<win>|<WIN>|<TARGET>\\x|<target>", "{win}|{win}|C:\\T\\x|C:\\T"},
    {"<A>=1\r\n<Win>=D:\\X\r\n<B>=2", "<Win>\\a|<A>|<B>", "{win}\\a|1|2"},
    {"<A>=1", "<Nope><A><Nope>|no macro", "<Nope>1<Nope>|no macro"},
    {"<A>=x=y\r\nPlain=1", "<A>|<Plain>", "x|<Plain>"},
    {"<B>=<A>\\x\r\n<A>=<Win>\\sub", "<B>", "<Win>\\sub\\x"}, // its one pass is used up by <B>
    {"<A>=<Win>\\sub\r\n<B>=<A>\\x", "<B>", "{win}\\sub\\x"}, {"", "<Src>\\a.txt", "C:\\Program Files\\Tool\\a.txt"},
};

} // namespace

TEST_CASE("macros: DEFINE lines first, then the six built-ins in their order") {
    for (const TableRow& row : tableRows) {
        INFO("row \"" << S(row.define) << "\"");
        MacroScript script(std::string("[DEFINE]\r\n") + row.define + "\r\n");
        CHECK(BuildMacroTable());
        CHECK(macroTable.entryCount == row.entryCount);
        CHECK(S(macroTable.entries) == Fill(row.entries));
    }
    CHECK(TempFolder().find('\\') != std::string::npos);
}

TEST_CASE("macros: lookups ignore ASCII case, unknown names stay") {
    for (const LookupRow& row : lookupRows) {
        INFO("row \"" << S(row.define) << "\" \"" << S(row.text) << "\"");
        MacroScript script(std::string("[DEFINE]\r\n") + row.define + "\r\n");
        BuildMacroTable();
        CHECK(Expanded(row.text) == Fill(row.expanded));
    }
}

TEST_CASE("macros: SetMacro adds at the end and changes the first entry of a name") {
    MacroScript script("");
    CHECK(Lookup("<A>") == "(not found)");
    SetMacro("<A>", "1"), SetMacro("<B>", "2");
    CHECK(S(macroTable.entries) == "<A>=1\n<B>=2");
    SetMacro("<a>", "3"), SetMacro("<B>", "");
    CHECK((macroTable.entryCount == 2 && S(macroTable.entries) == "<A>=3\n<B>=" && Lookup("<B>") == ""));
}

TEST_CASE("macros: the fixed pass count bounds values that hold macros") {
    MacroScript script("");
    SetMacro("<A>", "<B>x");
    SetMacro("<B>", "y");
    CHECK(Expanded("<A><B>") == "yx<B>");
    SetMacro("<B>", "<B><B>");
    std::string many;
    for (int i = 0; i < 10000; i++)
        many += "<B>";
    CHECK(Expanded(many.c_str()).size() == 4 * 3 * 10000 / 2);
}

TEST_CASE("macros: 2,000 DEFINE lines, each using the one before") {
    std::string content = "[DEFINE]\r\n<M0>=a\r\n";
    for (int i = 1; i < 2000; i++)
        content += "<M" + std::to_string(i) + ">=<M" + std::to_string(i - 1) + ">b\r\n";
    MacroScript script(content);
    BuildMacroTable();
    CHECK(macroTable.entryCount == 2006);
    CHECK(Lookup("<M1999>") == "a" + std::string(1999, 'b'));
    CHECK(Lookup("<m1000>") == "a" + std::string(1000, 'b'));
    CHECK(Expanded("<M2>\\<Win>") == "abb\\" + windows);
}

TEST_CASE("macros: entries are cut at character boundaries, as items are") {
    REQUIRE(GetACP() == 932);
    MacroScript script("");
    // A lead byte before the line feed takes it as its trail byte.
    macroTable.entries.Assign("<A>=\x95\n<B>=2\n<C>=3\n<D>=\x95\x5C=x");
    macroTable.entryCount = 4;
    CHECK(Lookup("<A>") == "\x95\n<B>");
    CHECK(Lookup("<B>") == "(not found)");
    CHECK(Lookup("<C>") == "3");
    CHECK(Lookup("<D>") == "\x95\x5C");
    CHECK(Lookup("") == "");
}
