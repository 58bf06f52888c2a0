// The script layer: reads through the private-profile functions, the macro
// table (DEFINE and the built-ins), value functions and parent steps, and the
// order they run in.
#include "tests/unit/Unit.h"

#include <shlobj.h>
#include <string.h>
#include <windows.h>

#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "script/Expand.h"
#include "script/Macros.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "Fixtures.h"

namespace {

struct Box { int count; std::string text, caption; unsigned style; } box;

// The script (under a name of its own for every case: the profile functions
// may keep a file they have read in a cache), the command line and an empty
// macro table for the life of the object; boxes go to `box`.
struct Run {
    std::string script;
    explicit Run(const char* commandLine, const std::string& content = "") {
        static int serial;
        script = TempFile("script_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial) + ".ini");
        WriteBytes(script, content);
        runContext.scriptPath.Assign(script.c_str());
        box = Box();
        runContext.caption.Assign("Script test");
        SetReportCaption(&runContext.caption);
        SetBoxHook([](const char* text, const char* caption, unsigned style) {
            return box = {box.count + 1, text, caption, style}, IDOK;
        });
        runContext.modulePath.Assign("C:\\Program Files\\Tool\\updater.exe");
        runContext.commandLine.Assign(commandLine);
        macroTable = MacroTable();
    }
    ~Run() {
        DeleteFileA(script.c_str());
        SetBoxHook(nullptr);
        runContext.commandLine.Assign("");
        macroTable = MacroTable();
    }
};

// The special folder, or a system folder when getFolder is given; "" when there is none.
std::string FolderPath(int folderId, UINT (WINAPI *getFolder)(LPSTR, UINT) = nullptr) {
    char buffer[MAX_PATH] = "";
    return getFolder ? (getFolder(buffer, MAX_PATH), buffer)
                     : SHGetFolderPathA(nullptr, folderId, nullptr, 0, buffer) == S_OK ? buffer : "";
}

// {win}, {drive} (its drive), {appdata}, {builtins} (the six built-in macros
// in their order), {rest} (all but <Win>) and {empties} (32,768 empty words), filled in.
std::string Fill(std::string text) {
    std::string empties;
    for (int i = 0; i < 32768; i++)
        empties += ", ";
    const std::string windows = FolderPath(0, GetWindowsDirectoryA);
    std::string builtIns = "<Win>={win}\n<Sys>=" + FolderPath(0, GetSystemDirectoryA) +
                           "\n<Src>=C:\\Program Files\\Tool\n<Desktop>=" +
                           FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY) + "\n<Programs>=" +
                           FolderPath(CSIDL_COMMON_PROGRAMS) + "\n<Temp>=" + TempFolder();
    const std::string names[] = {"{builtins}", "{rest}", "{win}", "{drive}", "{appdata}", "{empties}"};
    const std::string values[] = {builtIns, builtIns.substr(builtIns.find('\n') + 1), windows, windows.substr(0, 2),
                                  FolderPath(CSIDL_APPDATA), empties};
    for (int i = 0; i < 6; i++)
        for (size_t at; (at = text.find(names[i])) != std::string::npos;)
            text.replace(at, names[i].size(), values[i]);
    return text;
}

} // namespace

// Comments are not entered; a built-in macro overrides its DEFINE line in
// place, counted once; a line without brackets is entered but never found;
// a later line sees an earlier one expanded, an earlier one sees a later
// one as written. Lookups ignore ASCII case; unknown names stay. A row: the
// DEFINE lines, the table's entries and their count, a text and its expansion.
TEST_CASE("macros: DEFINE lines first, then the six built-ins in their order; one expansion pass") {
    const struct { const char *define, *entries; int entryCount; const char *text, *expanded; } rows[] = {
        {"", "{builtins}", 6, "<Src>\\a.txt", "C:\\Program Files\\Tool\\a.txt"},
        {";x=1\r\n<A>=1\r\n<B>=2", "<A>=1\n<B>=2\n{builtins}", 8, "<Nope><A><Nope>|no macro", "<Nope>1<Nope>|no macro"},
        {"<A>=1\r\n<Win>=D:\\X\r\n<B>=2", "<A>=1\n<Win>={win}\n<B>=2\n{rest}", 8, "<Win>\\a|<A>|<B>", "{win}\\a|1|2"},
        {"Plain=1\r\n<A>=x=y", "Plain=1\n<A>=x=y\n{builtins}", 8, "<A>|<Plain>", "x|<Plain>"},
        {"<Target>=C:\\T", "<Target>=C:\\T\n{builtins}", 7, "<win>|<WIN>|<TARGET>\\x|<target>",
         "{win}|{win}|C:\\T\\x|C:\\T"},
        // <B>'s one pass is used up by <B> itself.
        {"<B>=<A>\\x\r\n<A>=<Win>\\sub", "<B>=<Win>\\sub\\x\n<A>={win}\\sub\n{builtins}", 8, "<B>", "<Win>\\sub\\x"},
        // <A> is read from the values kept aside, where <C>'s follows it.
        {"<A>=<Win>\\sub\r\n<C>=<Win>\r\n<B>=<A>\\x", "<A>={win}\\sub\n<C>={win}\n<B>={win}\\sub\\x\n{builtins}", 9,
         "<B>", "{win}\\sub\\x"},
        {"<A>=<A><A>", "<A>=<A><A><A><A>\n{builtins}", 7, "", ""}, // two passes, each on group 0
        {"<Z>=\r\n<A>=<Z>\r\n<B>=<A>x", "<Z>=\n<A>=\n<B>=x\n{builtins}", 9, "<B>", "x"}, // kept aside, empty
        {"<J>=C:\\\x95\x5C\\..\\x\r\n<K>=<J>\\\x95\x5C", "<J>=C:\\x\n<K>=C:\\x\\\x95\x5C\n{builtins}", 8, "", ""},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.define) << "\"");
        Run run("", std::string("[DEFINE]\r\n") + row.define + "\r\n");
        CHECK(BuildMacroTable());
        CHECK(macroTable.entryCount == row.entryCount);
        CHECK(S(macroTable.entries) == Fill(row.entries));
        String value(row.text);
        ExpandMacros(value);
        CHECK(S(value) == Fill(row.expanded));
    }
}

// App Paths entries: program, full path (bare's stored without its
// terminator) and search path or none.
TEST_CASE("expand: value functions and parent steps") {
    const char* const apps[][3] = {{"c_unit_tool.exe", "C:\\Tools\\tool.exe", "C:\\Tools;\\"},
                                   {"c_unit_other.exe", "C:\\Other\\other.exe", "C:\\Other\\;"},
                                   {"c_unit_bare.exe", "C:\\Bare\\bare.exe", nullptr}, {"c_unit_empty.exe", "", nullptr}};
    const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    for (const auto& app : apps) {
        HKEY key;
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (appPaths + app[0]).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &key, nullptr) == ERROR_SUCCESS);
        for (int value = 1; value < 3; value++)
            if (app[value])
                RegSetValueExA(key, value == 1 ? "" : "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(app[value]),
                               static_cast<DWORD>(strlen(app[value]) + (app[2] != nullptr)));
        RegCloseKey(key);
    }
    Run run("a \"b c\" d");
    struct Row { const char* text; const char* expanded; bool changed; };
    const Row rows[] = {
        {"{?Param\\1}", "b c", true}, {"{?Param\\-1}", "d", true}, {"{?Param\\5}", "", true},
        {"<{?param\\0}>{?PARAM\\2}", "<a>d", true}, {"{?Param}", "a", true}, {"{?Param\\x}", "a", true},
        {"{?Param\\-3\\-1}", "a, b c, d", true}, {"{?Param\\1\\5}", "b c, d, , , ", true}, {"{?Param\\2\\1}", "", true},
        {"{?Param\\1\\-1}", "b c, d", true}, {"{?Param\\-1\\0}", "", true},
        // A stretch of numbers that name no word is cut to 32,768 at its far end.
        {"{?Param\\-32800\\-1}", "{empties}a, b c, d, a, b c, d", true},
        {"{?Param\\-40000\\-6}", "{empties}a", true}, // -6 names the first word, as -3 and 0 do
        {"{?Param\\0\\2147483647}", "a, b c, d{empties}", true},
        {"{?Param\\-2147483648\\2147483647}", "{empties}a, b c, d, a, b c, d{empties}", true},
        {"{?SpFolder\\1a}", "{appdata}", true}, {"{?spfolder\\0x1A}\\x", "{appdata}\\x", true},
        {"{?SpFolder\\ff}", "{?SpFolder\\ff}", false}, {"{?SpFolder\\11}", "{?SpFolder\\11}", false},
        {"{?App\\c_unit_tool.exe}", "C:\\Tools\\tool.exe", true},
        {"{?app\\C_UNIT_TOOL.EXE} /q", "C:\\Tools\\tool.exe /q", true},
        {"{?AppPath\\c_unit_tool.exe}", "C:\\Tools", true},
        // Backslashes go first, then semicolons.
        {"{?AppPath\\c_unit_other.exe}", "C:\\Other\\", true},
        {"{?AppPath\\c_unit_bare.exe}", "{?AppPath\\c_unit_bare.exe}", false},
        {"{{?App\\c_unit_bare.exe}}", "C:\\Bare\\bare.exe", true}, {"{?App\\none.exe}", "{?App\\none.exe}", false},
        {"{?App\\c_unit_empty.exe}", "{?App\\c_unit_empty.exe}", false}, // a value of no bytes
        {"{?AppPath\\none.exe}", "{?AppPath\\none.exe}", false},
        {"{?Nope\\x}{plain}", "{?Nope\\x}{plain}", false}, {"no braces", "no braces", false},
    };
    for (const Row& row : rows) {
        INFO("row \"" << S(row.text) << "\"");
        String value(row.text);
        CHECK(ExpandFunctions(value) == row.changed);
        CHECK(S(value) == Fill(row.expanded));
    }
    for (const auto& app : apps)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (appPaths + app[0]).c_str());
    // ".." takes back the level before it, never the first; once it takes back
    // the second, the rest stays as written. A value is text: "/" is no separator.
    const std::pair<const char*, const char*> parents[] = {
        {"C:\\a\\b\\..\\c", "C:\\a\\c"}, {"C:\\a\\b\\..\\..\\c", "C:\\c"}, {"C:\\a\\..\\..\\b", "C:\\..\\b"},
        {"C:/a/../b", "C:/a/../b"}, {"see http://host/a/../b", "see http://host/a/../b"},
        {"C:\\a/b\\..\\c", "C:\\c"}, {"/S /D=X:\\Src\\..\\App", "/S /D=X:\\App"}, {"C:\\a\\..", "C:"}, {"a\\..\\b", "a\\..\\b"}, {"C:\\a\\...\\b", "C:\\a\\...\\b"},
        {"C:\\a\\x.\\b\\..\\c", "C:\\a\\x.\\c"},
        {"C:\\\x95\x5C\\..\\x", "C:\\x"}, {"\x95\x5C\\..\\x\\..", "\x95\x5C\\.."},
    };
    for (const auto& row : parents) {
        INFO("row \"" << S(row.first) << "\"");
        String value(row.first);
        CHECK(CollapseParents(value) == (S(row.first) != row.second));
        CHECK(S(value) == row.second);
    }
}

// A row: raw (null when absent); expanded by ReadKey, filled in; the number by
// ReadProfileInt, 77 when none. A function's result is not searched for macros.
TEST_CASE("profile: raw and expanded reads; NO_DATA in any case is absent and reported") {
    Run run("<Win>", "[UPDATER]\r\nNAME=Setup tool\r\nPROC=A, B\r\nEMPTY=\r\nND1=no_data\r\nND2=NO_DATA\r\n"
                     "ND3=No_Data\r\n[P]\r\nONE=1\r\nNEG=-25\r\nTAIL=12abc\r\nWORD=abc\r\nMACRO=<Win>\r\n"
                     "PARAM={?Param\\0}\r\n[S]\r\nPATH=<Win>\\..\\x\r\n");
    const struct { const char *section, *key, *raw, *expanded; int number; } rows[] = {
        {"UPDATER", "NAME", "Setup tool", "Setup tool", 77}, {"updater", "proc", "A, B", "A, B", 77},
        {"UPDATER", "EMPTY", "", "", 77},                    {"UPDATER", "ND1", nullptr, nullptr, 0},
        {"UPDATER", "ND2", nullptr, nullptr, 0},             {"UPDATER", "ND3", nullptr, nullptr, 0},
        {"UPDATER", "OTHER", nullptr, nullptr, 0},           {"NOSECTION", "NAME", nullptr, nullptr, 0},
        {"P", "ONE", "1", "1", 1},                           {"P", "NEG", "-25", "-25", -25},
        {"P", "TAIL", "12abc", "12abc", 12},                 {"P", "WORD", "abc", "abc", 77},
        {"P", "MACRO", "<Win>", "{win}", 77},                {"P", "PARAM", "{?Param\\0}", "<Win>", 77},
        {"S", "PATH", "<Win>\\..\\x", "{drive}\\x", 77},
    };
    BuildMacroTable();
    for (const auto& row : rows) {
        INFO("row " << S(row.section) << " " << S(row.key));
        String raw("kept"), expanded("kept"), message;
        int number = 77, count = box.count;
        CHECK(ReadProfileString(run.script.c_str(), row.section, row.key, raw) == (row.raw != nullptr));
        CHECK(S(raw) == S(row.raw ? row.raw : "kept"));
        CHECK(ReadKey(row.section, row.key, expanded) == (row.raw != nullptr));
        CHECK(S(expanded) == Fill(row.expanded ? row.expanded : "kept"));
        CHECK(ReadProfileInt(run.script.c_str(), row.section, row.key, number) == (row.raw != nullptr));
        CHECK(ReadIntKey(row.section, row.key, number) == (row.raw != nullptr));
        CHECK(number == (row.raw ? row.number : 77));
        CHECK(box.count == count + (row.raw ? 0 : 2));
        LoadMessage(message, MsgKeyMissing, row.section, row.key);
        if (!row.raw)
            CHECK((box.text == S(message) && box.caption == "Script test" &&
                   box.style == static_cast<unsigned>(ErrorBoxStyle)));
    }
    String value("kept");
    CHECK_FALSE(ReadProfileString("C:\\no such folder\\none.ini", "UPDATER", "NAME", value));
}
