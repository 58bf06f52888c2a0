// Value functions, parent steps and the order of the three expansions.
#include "tests/unit/Unit.h"

#include <shlobj.h>
#include <string.h>
#include <windows.h>

#include "foundation/Platform.h"
#include "script/Expand.h"
#include "script/Macros.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "ScriptFile.h"

namespace {

// App Paths entries (program, full path, search path or null), the command line
// and an empty macro table for the life of the object; boxes are answered at once.
struct Run {
    std::string keys[3];
    Run(const char* commandLine, const char* const (*apps)[3] = nullptr, int appCount = 0) {
        SetBoxHook([](const char*, const char*, unsigned) { return IDOK; });
        runContext.commandLine.Assign(commandLine);
        macroTable = MacroTable();
        for (int i = 0; i < appCount; i++) {
            keys[i] = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + apps[i][0];
            HKEY key;
            REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keys[i].c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                    nullptr) == ERROR_SUCCESS);
            for (int value = 1; value < 3; value++)
                if (apps[i][value])
                    RegSetValueExA(key, value == 1 ? "" : "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(apps[i][value]),
                                   static_cast<DWORD>(strlen(apps[i][value]) + 1));
            RegCloseKey(key);
        }
    }
    ~Run() {
        SetBoxHook(nullptr);
        runContext.commandLine.Assign("");
        macroTable = MacroTable();
        for (const std::string& key : keys)
            if (!key.empty())
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }
};

struct Row { const char* text; const char* expanded; bool changed; }; // {appdata}: the folder, asked of the system

template <size_t N> void CheckRows(const Row (&rows)[N], bool (*expand)(String&)) {
    std::string appData = FolderPath(CSIDL_APPDATA);
    REQUIRE(!appData.empty());
    for (const Row& row : rows) {
        INFO("row \"" << S(row.text) << "\"");
        String value(row.text);
        CHECK(expand(value) == row.changed);
        std::string expected = row.expanded;
        if (expected.find("{appdata}") != std::string::npos)
            expected.replace(expected.find("{appdata}"), 9, appData);
        CHECK(S(value) == expected);
    }
}

} // namespace

TEST_CASE("expand: parent steps are removed after a directory, never the first two items") {
    const Row rows[] = {
        {"C:\\a\\b\\..\\..\\c", "C:\\c", true}, {"C:\\a\\b\\..\\c\\..\\d", "C:\\a\\d", true},
        {"C:\\a\\..", "C:", true}, {"C:\\a\\b\\..", "C:\\a", true}, {"a\\b\\..\\c", "a\\c", true},
        {"a\\..\\b", "a\\..\\b", false}, {"C:\\..\\x", "C:\\..\\x", false},
        // The scan ends once a parent step at the third item is resolved.
        {"C:\\a\\..\\b\\..\\c", "C:\\b\\..\\c", true}, {"C:\\a..b\\c..", "C:\\a..b\\c..", false},
        {"C:\\..x\\y", "C:\\..x\\y", false}, {"\\..", "\\..", false}, {"", "", false},
    };
    CheckRows(rows, CollapseParents);
}

TEST_CASE("expand: value functions") {
    const char* const apps[][3] = {{"c_unit_tool.exe", "C:\\Tools\\tool.exe", "C:\\Tools;\\"},
                                   {"c_unit_other.exe", "C:\\Other\\other.exe", "C:\\Other\\;"},
                                   {"c_unit_bare.exe", "C:\\Bare\\bare.exe", nullptr}};
    Run run("a \"b c\" d", apps, 3);
    const Row rows[] = {
        {"{?Param\\1}", "b c", true}, {"{?Param\\0\\-1}", "a, b c, d", true}, {"{?Param\\-1}", "d", true},
        {"{?Param\\5}", "", true}, {"{?Param\\2\\1}", "", true}, {"{?Param\\1\\1}", "b c", true},
        {"{?Param\\-2\\-1}", "b c, d", true}, {"{?Param\\0\\4}", "a, b c, d, , ", true},
        {"<{?param\\0}>{?PARAM\\2}", "<a>d", true}, {"{?Param}", "a", true}, {"{?Param\\x}", "a", true},
        {"{?SpFolder\\1a}", "{appdata}", true}, {"{?spfolder\\0x1A}\\x", "{appdata}\\x", true},
        {"{?SpFolder\\ff}", "{?SpFolder\\ff}", false}, {"{?SpFolder\\11}", "{?SpFolder\\11}", false}, {"{?App\\c_unit_tool.exe}", "C:\\Tools\\tool.exe", true},
        {"{?app\\C_UNIT_TOOL.EXE} /q", "C:\\Tools\\tool.exe /q", true},
        {"{?AppPath\\c_unit_tool.exe}", "C:\\Tools", true},
        // Backslashes go first, then semicolons.
        {"{?AppPath\\c_unit_other.exe}", "C:\\Other\\", true},
        {"{?AppPath\\c_unit_bare.exe}", "{?AppPath\\c_unit_bare.exe}", false},
        {"{{?App\\c_unit_bare.exe}}", "C:\\Bare\\bare.exe", true}, {"{?App\\none.exe}", "{?App\\none.exe}", false},
        {"{?AppPath\\none.exe}", "{?AppPath\\none.exe}", false},
        {"{?Nope\\x}{plain}", "{?Nope\\x}{plain}", false}, {"no braces", "no braces", false},
    };
    CheckRows(rows, ExpandFunctions);
    String all("{?Param\\0\\2147483647}"), negative("{?Param\\-2147483648\\2147483647}");
    ExpandFunctions(all); // a huge range is cut, not run for ever
    ExpandFunctions(negative);
    CHECK(S(all).compare(0, 13, "a, b c, d, , ") == 0);
    CHECK((all.Length() < 200000 && negative.Length() < 200000));
}

TEST_CASE("expand: macros, then functions, then parent steps, in reads and in DEFINE") {
    const char* const apps[][3] = {{"c_unit_macro.exe", "C:\\Tools\\m.exe", nullptr}};
    Run run("first second", apps, 1);
    ScriptFile script("expand", "[DEFINE]\r\n<Def>={?App\\c_unit_macro.exe}\r\n<Arg>={?Param\\1}\r\n"
                                "[S]\r\nRUN=<Tool>\r\nUP=<Tool>\\..\\x\r\n");
    BuildMacroTable();
    SetMacro("<Tool>", "{?App\\c_unit_macro.exe}");
    String value;
    CHECK((LookupMacro("<Def>", value) && S(value) == "C:\\Tools\\m.exe"));
    CHECK((LookupMacro("<Arg>", value) && S(value) == "second"));
    CHECK((ReadKey("S", "RUN", value) && S(value) == "C:\\Tools\\m.exe"));
    CHECK((ReadKey("S", "UP", value) && S(value) == "C:\\Tools\\x"));
}

TEST_CASE("expand: pathological values of 32 KiB end") {
    Run run("a b");
    SetMacro("<A>", "<A><A>");
    for (const char* unit : {"<", ">", "{", "}", "<Nope>", "{?Nope}", "{?Param\\0}", "<A>", "\\..", "a\\", "<{", "}>",
                             "{<A>}", "x\\..\\"}) {
        std::string text;
        while (text.size() + strlen(unit) < 32767)
            text += unit;
        String value(text.c_str());
        ExpandMacros(value);
        ExpandFunctions(value);
        CollapseParents(value);
        INFO("unit " << S(unit));
        CHECK(value.Length() < 4 * 32767); // each pass adds at most one inserted value
    }
}
