// Value functions, parent steps and the order of the three expansions.
#include <doctest.h>

#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <string>

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
    AppEntry(const char* fileName, const char* fullPath, const char* searchPath) {
        subKey = std::string(AppPaths) + fileName;
        HKEY key;
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr) == ERROR_SUCCESS);
        if (fullPath)
            RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(fullPath),
                           static_cast<DWORD>(strlen(fullPath) + 1));
        if (searchPath)
            RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(searchPath),
                           static_cast<DWORD>(strlen(searchPath) + 1));
        RegCloseKey(key);
    }
    ~AppEntry() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, subKey.c_str()); }

private:
    std::string subKey;
};

void ResetMacros() {
    macroTable.entryCount = 0;
    macroTable.entries.Assign("");
}

std::string Functions(const char* text, bool* changed = nullptr) {
    String value(text);
    bool result = ExpandFunctions(value);
    if (changed)
        *changed = result;
    return value.Text();
}

std::string Collapsed(const char* text, bool* changed = nullptr) {
    String value(text);
    bool result = CollapseParents(value);
    if (changed)
        *changed = result;
    return value.Text();
}

class CommandLine {
public:
    explicit CommandLine(const char* text) { runContext.commandLine.Assign(text); }
    ~CommandLine() { runContext.commandLine.Assign(""); }
};

int RefuseBox(const char*, const char*, unsigned) { return IDOK; }

} // namespace

TEST_CASE("expand: parent steps are removed after a directory") {
    bool changed = false;
    CHECK(Collapsed("C:\\a\\b\\..\\..\\c", &changed) == "C:\\c");
    CHECK(changed);
    CHECK(Collapsed("C:\\a\\b\\..\\c\\..\\d") == "C:\\a\\d");
    CHECK(Collapsed("C:\\a\\..") == "C:");
    CHECK(Collapsed("C:\\a\\b\\..") == "C:\\a");
}

TEST_CASE("expand: the scan ends once a parent step at the third item is resolved") {
    bool changed = false;
    CHECK(Collapsed("C:\\a\\..\\b\\..\\c", &changed) == "C:\\b\\..\\c");
    CHECK(changed);
}

TEST_CASE("expand: parent steps that cannot be resolved stay") {
    bool changed = true;
    CHECK(Collapsed("C:\\..\\x", &changed) == "C:\\..\\x");
    CHECK_FALSE(changed);
    changed = true;
    CHECK(Collapsed("C:\\a..b\\c..", &changed) == "C:\\a..b\\c..");
    CHECK_FALSE(changed);
    changed = true;
    CHECK(Collapsed("C:\\..x\\y", &changed) == "C:\\..x\\y");
    CHECK_FALSE(changed);
    CHECK(Collapsed("\\..") == "\\..");
    CHECK(Collapsed("") == "");
}

TEST_CASE("expand: ?Param picks words of the command line") {
    CommandLine line("a \"b c\" d");
    bool changed = false;
    CHECK(Functions("{?Param\\1}", &changed) == "b c");
    CHECK(changed);
    CHECK(Functions("{?Param\\0\\-1}") == "a, b c, d");
    CHECK(Functions("{?Param\\-1}") == "d");
    CHECK(Functions("{?Param\\5}", &changed) == "");
    CHECK(changed);
    CHECK(Functions("{?Param\\2\\1}") == "");
    CHECK(Functions("{?Param\\1\\1}") == "b c");
    CHECK(Functions("{?Param\\-2\\-1}") == "b c, d");
    CHECK(Functions("{?Param\\0\\4}") == "a, b c, d, , ");
    CHECK(Functions("<{?param\\0}>{?PARAM\\2}") == "<a>d");
    CHECK(Functions("{?Param}") == "a");
    CHECK(Functions("{?Param\\x}") == "a");
}

TEST_CASE("expand: a huge ?Param range is cut, not run for ever") {
    CommandLine line("a \"b c\" d");
    std::string all = Functions("{?Param\\0\\2147483647}");
    CHECK(all.compare(0, 13, "a, b c, d, , ") == 0);
    CHECK(all.size() < 200000);
    std::string negative = Functions("{?Param\\-2147483648\\2147483647}");
    CHECK(negative.size() < 200000);
}

TEST_CASE("expand: ?SpFolder gives the folder without a final backslash") {
    bool changed = false;
    std::string folder = Functions("{?SpFolder\\1a}", &changed);
    CHECK(changed);
    std::string expected = FolderPath(0x1a);
    REQUIRE(!expected.empty());
    while (expected.back() == '\\')
        expected.pop_back();
    CHECK(folder == expected);
    CHECK(folder.back() != '\\');
    CHECK(Functions("{?spfolder\\0x1A}\\x") == expected + "\\x");
}

TEST_CASE("expand: ?SpFolder of a folder the system does not know stays") {
    bool changed = true;
    CHECK(Functions("{?SpFolder\\ff}", &changed) == "{?SpFolder\\ff}");
    CHECK_FALSE(changed);
}

TEST_CASE("expand: ?App of a program that is not registered stays") {
    bool changed = true;
    CHECK(Functions("{?App\\none.exe}", &changed) == "{?App\\none.exe}");
    CHECK_FALSE(changed);
    CHECK(Functions("{?AppPath\\none.exe}") == "{?AppPath\\none.exe}");
}

TEST_CASE("expand: unknown functions and plain braces stay") {
    bool changed = true;
    CHECK(Functions("{?Nope\\x}{plain}", &changed) == "{?Nope\\x}{plain}");
    CHECK_FALSE(changed);
    CHECK(Functions("no braces", &changed) == "no braces");
    CHECK_FALSE(changed);
}

TEST_CASE("expand: ?App and ?AppPath read the App Paths entry") {
    AppEntry tool("c_unit_tool.exe", "C:\\Tools\\tool.exe", "C:\\Tools;\\");
    AppEntry other("c_unit_other.exe", "C:\\Other\\other.exe", "C:\\Other\\;");
    AppEntry bare("c_unit_bare.exe", "C:\\Bare\\bare.exe", nullptr);
    CHECK(Functions("{?App\\c_unit_tool.exe}") == "C:\\Tools\\tool.exe");
    CHECK(Functions("{?app\\C_UNIT_TOOL.EXE} /q") == "C:\\Tools\\tool.exe /q");
    CHECK(Functions("{?AppPath\\c_unit_tool.exe}") == "C:\\Tools");
    // Backslashes go first, then semicolons.
    CHECK(Functions("{?AppPath\\c_unit_other.exe}") == "C:\\Other\\");
    CHECK(Functions("{?AppPath\\c_unit_bare.exe}") == "{?AppPath\\c_unit_bare.exe}");
    CHECK(Functions("{{?App\\c_unit_bare.exe}}") == "C:\\Bare\\bare.exe");
}

TEST_CASE("expand: a macro whose value holds a value function is expanded in both steps") {
    AppEntry tool("c_unit_macro.exe", "C:\\Tools\\m.exe", nullptr);
    ResetMacros();
    SetMacro("<Tool>", "{?App\\c_unit_macro.exe}");
    ScriptFile script("expand_tool", "[S]\r\nRUN=<Tool>\r\nUP=<Tool>\\..\\x\r\n");
    SetBoxHook(RefuseBox);
    String value;
    CHECK(ReadKey("S", "RUN", value));
    CHECK(std::string(value.Text()) == "C:\\Tools\\m.exe");
    CHECK(ReadKey("S", "UP", value));
    CHECK(std::string(value.Text()) == "C:\\Tools\\x");
    SetBoxHook(nullptr);
    ResetMacros();
}

TEST_CASE("expand: a DEFINE value with a value function is expanded at build time") {
    AppEntry tool("c_unit_define.exe", "C:\\Tools\\d.exe", nullptr);
    CommandLine line("first second");
    ResetMacros();
    ScriptFile script("expand_define", "[DEFINE]\r\n<Tool>={?App\\c_unit_define.exe}\r\n<Arg>={?Param\\1}\r\n");
    BuildMacroTable();
    String value;
    CHECK(LookupMacro("<Tool>", value));
    CHECK(std::string(value.Text()) == "C:\\Tools\\d.exe");
    CHECK(LookupMacro("<Arg>", value));
    CHECK(std::string(value.Text()) == "second");
    ResetMacros();
}

TEST_CASE("expand: pathological values of 32 KiB end") {
    ResetMacros();
    SetMacro("<A>", "<A><A>");
    CommandLine line("a b");
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
        INFO("unit " << std::string(unit));
        CHECK(value.Length() < 4 * 32767); // each pass adds at most one inserted value
    }
    ResetMacros();
}
