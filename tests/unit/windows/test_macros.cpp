// The macro table: DEFINE, the built-in macros and the one expansion pass.
#include <doctest.h>

#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "script/Expand.h"
#include "script/Macros.h"
#include "script/RunContext.h"
#include "ScriptFile.h"

namespace {

// The script's DEFINE section, with an empty macro table before and after.
class MacroScript : public ScriptFile {
public:
    explicit MacroScript(const std::string& content) : ScriptFile("macros", content) {
        runContext.modulePath.Assign("C:\\Program Files\\Tool\\updater.exe");
        ClearTable();
    }
    ~MacroScript() { ClearTable(); }

private:
    static void ClearTable() {
        macroTable.entryCount = 0;
        macroTable.entries.Assign("");
    }
};

std::vector<std::string> Entries() {
    std::vector<std::string> result;
    std::string text = macroTable.entries.Text();
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        result.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result;
}

std::string Lookup(const char* name) {
    String value("(none)");
    if (!LookupMacro(name, value))
        return "(not found)";
    return value.Text();
}

std::string Expanded(const char* text) {
    String value(text);
    ExpandMacros(value);
    return value.Text();
}

std::string WindowsDirectory() {
    char buffer[MAX_PATH];
    GetWindowsDirectoryA(buffer, MAX_PATH);
    return buffer;
}

std::string SystemDirectory() {
    char buffer[MAX_PATH];
    GetSystemDirectoryA(buffer, MAX_PATH);
    return buffer;
}

} // namespace

TEST_CASE("macros: without DEFINE the six built-in macros are set in their order") {
    MacroScript script("[UPDATER]\r\nPROC=A\r\n");
    CHECK(BuildMacroTable());
    CHECK(macroTable.entryCount == 6);
    std::vector<std::string> entries = Entries();
    REQUIRE(entries.size() == 6);
    CHECK(entries[0] == "<Win>=" + WindowsDirectory());
    CHECK(entries[1] == "<Sys>=" + SystemDirectory());
    CHECK(entries[2] == "<Src>=C:\\Program Files\\Tool");
    CHECK(entries[3] == "<Desktop>=" + FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY));
    CHECK(entries[4] == "<Programs>=" + FolderPath(CSIDL_COMMON_PROGRAMS));
    CHECK(entries[5] == "<Temp>=" + TempFolder());
    CHECK(TempFolder().find('\\') != std::string::npos);
    CHECK(Expanded("<Src>\\a.txt") == "C:\\Program Files\\Tool\\a.txt");
}

TEST_CASE("macros: DEFINE lines come first, comments are not entered") {
    MacroScript script("[DEFINE]\r\n;x=1\r\n<A>=1\r\n<B>=2\r\n");
    BuildMacroTable();
    CHECK(macroTable.entryCount == 8);
    std::vector<std::string> entries = Entries();
    REQUIRE(entries.size() == 8);
    CHECK(entries[0] == "<A>=1");
    CHECK(entries[1] == "<B>=2");
    CHECK(entries[2] == "<Win>=" + WindowsDirectory());
    CHECK(Lookup("<A>") == "1");
    CHECK(Lookup(";x") == "(not found)");
}

TEST_CASE("macros: a built-in macro overrides its DEFINE line in place, counted once") {
    MacroScript script("[DEFINE]\r\n<A>=1\r\n<Win>=D:\\X\r\n<B>=2\r\n");
    BuildMacroTable();
    CHECK(macroTable.entryCount == 8);
    std::vector<std::string> entries = Entries();
    REQUIRE(entries.size() == 8);
    CHECK(entries[1] == "<Win>=" + WindowsDirectory());
    CHECK(entries[2] == "<B>=2");
    CHECK(entries[3].compare(0, 6, "<Sys>=") == 0);
    CHECK(Expanded("<Win>\\a") == WindowsDirectory() + "\\a");
}

TEST_CASE("macros: names compare without regard to ASCII case") {
    MacroScript script("[DEFINE]\r\n<Target>=C:\\T\r\n");
    BuildMacroTable();
    CHECK(Expanded("<win>") == WindowsDirectory());
    CHECK(Expanded("<WIN>") == WindowsDirectory());
    CHECK(Expanded("<TARGET>\\x") == "C:\\T\\x");
}

TEST_CASE("macros: a later DEFINE line sees an earlier one already expanded") {
    MacroScript script("[DEFINE]\r\n<A>=<Win>\\sub\r\n<B>=<A>\\x\r\n");
    BuildMacroTable();
    CHECK(Lookup("<A>") == WindowsDirectory() + "\\sub");
    CHECK(Lookup("<B>") == WindowsDirectory() + "\\sub\\x");
    CHECK(Expanded("<B>") == WindowsDirectory() + "\\sub\\x");
}

TEST_CASE("macros: an earlier DEFINE line sees a later one as written") {
    MacroScript script("[DEFINE]\r\n<B>=<A>\\x\r\n<A>=<Win>\\sub\r\n");
    BuildMacroTable();
    CHECK(Lookup("<B>") == "<Win>\\sub\\x");
    CHECK(Lookup("<A>") == WindowsDirectory() + "\\sub");
    // The one pass of a one-macro value is used by <B>.
    String value("<B>");
    CHECK(ExpandMacros(value));
    CHECK(std::string(value.Text()) == "<Win>\\sub\\x");
}

TEST_CASE("macros: an undefined macro stays, brackets included") {
    MacroScript script("[DEFINE]\r\n<A>=1\r\n");
    BuildMacroTable();
    String value("<Nope>\\x");
    CHECK_FALSE(ExpandMacros(value));
    CHECK(std::string(value.Text()) == "<Nope>\\x");
    CHECK(Expanded("<Nope><A><Nope>") == "<Nope>1<Nope>");
    CHECK(Expanded("no macro") == "no macro");
}

TEST_CASE("macros: a value is cut at its second equals sign") {
    MacroScript script("[DEFINE]\r\n<A>=x=y\r\n");
    BuildMacroTable();
    CHECK(Lookup("<A>") == "x");
}

TEST_CASE("macros: a DEFINE line without brackets is entered but never found") {
    MacroScript script("[DEFINE]\r\nPlain=1\r\n");
    BuildMacroTable();
    CHECK(macroTable.entryCount == 7);
    CHECK(Entries()[0] == "Plain=1");
    CHECK(Expanded("<Plain>") == "<Plain>");
}

TEST_CASE("macros: SetMacro adds at the end and changes the first entry of a name") {
    MacroScript script("");
    CHECK(Lookup("<A>") == "(not found)");
    SetMacro("<A>", "1");
    CHECK(std::string(macroTable.entries.Text()) == "<A>=1");
    SetMacro("<B>", "2");
    CHECK(std::string(macroTable.entries.Text()) == "<A>=1\n<B>=2");
    SetMacro("<a>", "3");
    CHECK(macroTable.entryCount == 2);
    CHECK(std::string(macroTable.entries.Text()) == "<A>=3\n<B>=2");
    SetMacro("<B>", "");
    CHECK(std::string(macroTable.entries.Text()) == "<A>=3\n<B>=");
    CHECK(Lookup("<B>") == "");
}

TEST_CASE("macros: the fixed pass count leaves later groups when values hold macros") {
    MacroScript script("");
    SetMacro("<A>", "<B>x");
    SetMacro("<B>", "y");
    String value("<A><B>");
    CHECK(ExpandMacros(value));
    CHECK(std::string(value.Text()) == "yx<B>");
}

TEST_CASE("macros: a macro that expands into itself stays bounded") {
    MacroScript script("[DEFINE]\r\n<A>=<A><A>\r\n");
    BuildMacroTable();
    // Two passes at build time, each on group 0.
    CHECK(Lookup("<A>") == "<A><A><A><A>");
    CHECK(Expanded("<A>") == "<A><A><A><A>");
    std::string many;
    for (int i = 0; i < 10000; i++)
        many += "<A>";
    String value(many.c_str());
    CHECK(ExpandMacros(value));
    CHECK(value.Length() == 12 * 10000);
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
    CHECK(Entries()[2000] == "<Win>=" + WindowsDirectory());
    CHECK(Expanded("<M2>\\<Win>") == "abb\\" + WindowsDirectory());
}

TEST_CASE("macros: a DEFINE section beyond the work area is cut, the table stays whole") {
    std::string content = "[DEFINE]\r\n";
    for (int i = 0; i < 3000; i++)
        content += "<N" + std::to_string(i) + ">=<Win>\\" + std::to_string(i) + "-xxxxxxxx\r\n";
    MacroScript script(content);
    BuildMacroTable();
    CHECK(macroTable.entryCount > 1000);
    CHECK(macroTable.entryCount < 3006);
    CHECK(static_cast<int>(Entries().size()) == macroTable.entryCount);
    CHECK(Lookup("<N0>") == WindowsDirectory() + "\\0-xxxxxxxx");
    CHECK(Lookup("<Temp>") == TempFolder());
}

TEST_CASE("macros: entries are cut at character boundaries, as items are") {
    REQUIRE(GetACP() == 932);
    MacroScript script("");
    // A lead byte before the line feed takes it as its trail byte.
    macroTable.entries.Assign("<A>=\x95\n<B>=2\n<C>=3\n<D>=\x95\x5C=x");
    macroTable.entryCount = 4;
    const char* names[] = {"<A>", "<B>", "<C>", "<D>", "", "<E>"};
    for (const char* name : names) {
        std::string expected = "(not found)";
        for (int k = 0; k < macroTable.entryCount; k++) {
            String entry = macroTable.entries.Item(k, "\n");
            if (entry.Item(0, "=").EqualsNoCase(name)) {
                expected = entry.Item(1, "=").Text();
                break;
            }
        }
        INFO("name " << std::string(name));
        CHECK(Lookup(name) == expected);
    }
    CHECK(Lookup("<B>") == "(not found)");
    CHECK(Lookup("<C>") == "3");
    CHECK(Lookup("<D>") == "\x95\x5C");
    CHECK(Lookup("") == "");
}

TEST_CASE("macros: a value with a double-byte character whose trail byte is a backslash") {
    REQUIRE(GetACP() == 932);
    MacroScript script("[DEFINE]\r\n<J>=C:\\\x95\x5C\\..\\x\r\n<K>=<J>\\\x95\x5C\r\n");
    BuildMacroTable();
    CHECK(Lookup("<J>") == "C:\\x");
    CHECK(Lookup("<K>") == "C:\\x\\\x95\x5C");
}
