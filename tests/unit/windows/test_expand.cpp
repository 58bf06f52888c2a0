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
#include "Folders.h"
#include "ScriptFile.h"

namespace {

const char AppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// An App Paths entry that lives as long as the object.
class AppEntry {
public:
    AppEntry(const char* fileName, const char* fullPath, const char* searchPath)
        : subKey(std::string(AppPaths) + fileName) {
        HKEY key;
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr) == ERROR_SUCCESS);
        const char* names[] = {"", "PATH"};
        const char* values[] = {fullPath, searchPath};
        for (int i = 0; i < 2; i++)
            if (values[i])
                RegSetValueExA(key, names[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(values[i]),
                               static_cast<DWORD>(strlen(values[i]) + 1));
        RegCloseKey(key);
    }
    ~AppEntry() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, subKey.c_str()); }

private:
    std::string subKey;
};

// The command line and the macro table for the life of the object; a box
// shown meanwhile is answered at once.
struct Run {
    explicit Run(const char* commandLine) {
        SetBoxHook([](const char*, const char*, unsigned) { return IDOK; });
        runContext.commandLine.Assign(commandLine);
        macroTable.entryCount = 0;
        macroTable.entries.Assign("");
    }
    ~Run() {
        SetBoxHook(nullptr);
        runContext.commandLine.Assign("");
        macroTable.entryCount = 0;
        macroTable.entries.Assign("");
    }
};

struct Row {
    const char* text;
    const char* expanded; // {appdata}: the folder, asked of the system
    bool changed;
};

void CheckRows(const Row* rows, size_t count, bool (*expand)(String&)) {
    std::string appData = FolderPath(CSIDL_APPDATA);
    REQUIRE(!appData.empty());
    for (size_t i = 0; i < count; i++) {
        INFO("row \"" << S(rows[i].text) << "\"");
        String value(rows[i].text);
        CHECK(expand(value) == rows[i].changed);
        std::string expected = rows[i].expanded;
        size_t at = expected.find("{appdata}");
        if (at != std::string::npos)
            expected.replace(at, 9, appData);
        CHECK(S(value) == expected);
    }
}

} // namespace

TEST_CASE("expand: parent steps are removed after a directory, never the first two items") {
    const Row rows[] = {
        {"C:\\a\\b\\..\\..\\c", "C:\\c", true}, {"C:\\a\\b\\..\\c\\..\\d", "C:\\a\\d", true},
        {"C:\\a\\..", "C:", true},              {"C:\\a\\b\\..", "C:\\a", true},
        {"a\\b\\..\\c", "a\\c", true},          {"a\\..\\b", "a\\..\\b", false},
        // The scan ends once a parent step at the third item is resolved.
        {"C:\\a\\..\\b\\..\\c", "C:\\b\\..\\c", true},
        {"C:\\..\\x", "C:\\..\\x", false},      {"C:\\a..b\\c..", "C:\\a..b\\c..", false},
        {"C:\\..x\\y", "C:\\..x\\y", false},    {"\\..", "\\..", false}, {"", "", false},
    };
    CheckRows(rows, sizeof rows / sizeof *rows, CollapseParents);
}

TEST_CASE("expand: value functions") {
    Run run("a \"b c\" d");
    AppEntry tool("c_unit_tool.exe", "C:\\Tools\\tool.exe", "C:\\Tools;\\");
    AppEntry other("c_unit_other.exe", "C:\\Other\\other.exe", "C:\\Other\\;");
    AppEntry bare("c_unit_bare.exe", "C:\\Bare\\bare.exe", nullptr);
    const Row rows[] = {
        {"{?Param\\1}", "b c", true},        {"{?Param\\0\\-1}", "a, b c, d", true},
        {"{?Param\\-1}", "d", true},         {"{?Param\\5}", "", true},
        {"{?Param\\2\\1}", "", true},        {"{?Param\\1\\1}", "b c", true},
        {"{?Param\\-2\\-1}", "b c, d", true}, {"{?Param\\0\\4}", "a, b c, d, , ", true},
        {"<{?param\\0}>{?PARAM\\2}", "<a>d", true}, {"{?Param}", "a", true}, {"{?Param\\x}", "a", true},
        {"{?SpFolder\\1a}", "{appdata}", true}, {"{?spfolder\\0x1A}\\x", "{appdata}\\x", true},
        {"{?SpFolder\\ff}", "{?SpFolder\\ff}", false}, {"{?App\\c_unit_tool.exe}", "C:\\Tools\\tool.exe", true},
        {"{?app\\C_UNIT_TOOL.EXE} /q", "C:\\Tools\\tool.exe /q", true},
        {"{?AppPath\\c_unit_tool.exe}", "C:\\Tools", true},
        // Backslashes go first, then semicolons.
        {"{?AppPath\\c_unit_other.exe}", "C:\\Other\\", true},
        {"{?AppPath\\c_unit_bare.exe}", "{?AppPath\\c_unit_bare.exe}", false},
        {"{{?App\\c_unit_bare.exe}}", "C:\\Bare\\bare.exe", true}, {"{?App\\none.exe}", "{?App\\none.exe}", false},
        {"{?AppPath\\none.exe}", "{?AppPath\\none.exe}", false},
        {"{?Nope\\x}{plain}", "{?Nope\\x}{plain}", false}, {"no braces", "no braces", false},
    };
    CheckRows(rows, sizeof rows / sizeof *rows, ExpandFunctions);
}

TEST_CASE("expand: a huge ?Param range is cut, not run for ever") {
    Run run("a \"b c\" d");
    String all("{?Param\\0\\2147483647}"), negative("{?Param\\-2147483648\\2147483647}");
    ExpandFunctions(all);
    ExpandFunctions(negative);
    CHECK(S(all).compare(0, 13, "a, b c, d, , ") == 0);
    CHECK((all.Length() < 200000 && negative.Length() < 200000));
}

TEST_CASE("expand: macros, then functions, then parent steps, in reads and in DEFINE") {
    AppEntry tool("c_unit_macro.exe", "C:\\Tools\\m.exe", nullptr);
    Run run("first second");
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
    const char* units[] = {"<", ">", "{", "}", "<Nope>", "{?Nope}", "{?Param\\0}", "<A>", "\\..", "a\\",
                           "<{", "}>", "{<A>}", "x\\..\\"};
    for (const char* unit : units) {
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
