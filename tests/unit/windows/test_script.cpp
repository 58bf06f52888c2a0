// The script layer: reads through the private-profile functions, the macro
// table (DEFINE and the built-ins), value functions and parent steps, and the
// order they run in. Macro groups, "?Param" ranges and parent steps (never the
// first two items; the scan ends once a step at the third is resolved) are
// checked against stepwise definitions on random texts.
#include "tests/unit/Unit.h"

#include <shlobj.h>
#include <string.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "script/Expand.h"
#include "script/Macros.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "Fixtures.h"

namespace {

struct Box { int count; std::string text, caption; unsigned style; } box;

// "" when the system has no such folder.
std::string FolderPath(int folderId) {
    char buffer[MAX_PATH] = "";
    return SHGetFolderPathA(nullptr, folderId, nullptr, 0, buffer) == S_OK ? buffer : "";
}

// The script (under a name of its own for every case: the profile functions
// may keep a file they have read in a cache), the command line, App Paths
// entries (program, full path, search path or null) and an empty macro table
// for the life of the object; boxes go to `box`.
struct Run {
    std::string script, keys[3];
    explicit Run(const char* commandLine, const std::string& content = "", const char* const (*apps)[3] = nullptr,
                 int appCount = 0) {
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
        for (int i = 0; i < appCount; i++) {
            keys[i] = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + apps[i][0];
            HKEY key;
            REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keys[i].c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                    nullptr) == ERROR_SUCCESS);
            for (int value = 1; value < 3; value++)
                if (apps[i][value])
                    RegSetValueExA(key, value == 1 ? "" : "PATH", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(apps[i][value]),
                                   static_cast<DWORD>(strlen(apps[i][value]) + 1));
            RegCloseKey(key);
        }
    }
    ~Run() {
        DeleteFileA(script.c_str());
        SetBoxHook(nullptr);
        runContext.commandLine.Assign("");
        macroTable = MacroTable();
        for (const std::string& key : keys)
            if (!key.empty())
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }
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

// {win}, {drive} (its drive), {appdata}, {builtins} (the six built-in macros
// in their order) and {rest} (all but <Win>), filled in.
std::string Fill(std::string text) {
    std::string builtIns = "<Win>={win}\n<Sys>=" + Directory(GetSystemDirectoryA) +
                           "\n<Src>=C:\\Program Files\\Tool\n<Desktop>=" +
                           FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY) + "\n<Programs>=" +
                           FolderPath(CSIDL_COMMON_PROGRAMS) + "\n<Temp>=" + TempFolder();
    const std::string names[] = {"{builtins}", "{rest}", "{win}", "{drive}", "{appdata}"};
    const std::string values[] = {builtIns, builtIns.substr(builtIns.find('\n') + 1), windows, windows.substr(0, 2),
                                  FolderPath(CSIDL_APPDATA)};
    for (int i = 0; i < 5; i++)
        for (size_t at; (at = text.find(names[i])) != std::string::npos;)
            text.replace(at, names[i].size(), values[i]);
    return text;
}

// Comments are not entered; a built-in macro overrides its DEFINE line in
// place, counted once; a line without brackets is entered but never found;
// a later line sees an earlier one expanded, an earlier one sees a later
// one as written. Lookups ignore ASCII case; unknown names stay. A row: the
// DEFINE lines, the table's entries and their count, a text and its expansion.
struct MacroRow { const char* define; const char* entries; int entryCount; const char* text; const char* expanded; };

const MacroRow macroRows[] = {
    {"", "{builtins}", 6, "<Src>\\a.txt", "C:\\Program Files\\Tool\\a.txt"},
    {";x=1\r\n<A>=1\r\n<B>=2", "<A>=1\n<B>=2\n{builtins}", 8, "<Nope><A><Nope>|no macro", "<Nope>1<Nope>|no macro"},
    {"<A>=1\r\n<Win>=D:\\X\r\n<B>=2", "<A>=1\n<Win>={win}\n<B>=2\n{rest}", 8, "<Win>\\a|<A>|<B>", "{win}\\a|1|2"},
    {"Plain=1\r\n<A>=x=y", "Plain=1\n<A>=x=y\n{builtins}", 8, "<A>|<Plain>", "x|<Plain>"},
    {"<Target>=C:\\T", "<Target>=C:\\T\n{builtins}", 7, "<win>|<WIN>|<TARGET>\\x|<target>",
     "{win}|{win}|C:\\T\\x|C:\\T"},
    // <B>'s one pass is used up by <B> itself.
    {"<B>=<A>\\x\r\n<A>=<Win>\\sub", "<B>=<Win>\\sub\\x\n<A>={win}\\sub\n{builtins}", 8, "<B>", "<Win>\\sub\\x"},
    {"<A>=<Win>\\sub\r\n<B>=<A>\\x", "<A>={win}\\sub\n<B>={win}\\sub\\x\n{builtins}", 8, "<B>", "{win}\\sub\\x"},
    {"<A>=<A><A>", "<A>=<A><A><A><A>\n{builtins}", 7, "", ""}, // two passes, each on group 0
    {"<J>=C:\\\x95\x5C\\..\\x\r\n<K>=<J>\\\x95\x5C", "<J>=C:\\x\n<K>=C:\\x\\\x95\x5C\n{builtins}", 8, "", ""},
};

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

std::string KeyMissing(const char* section, const char* key) {
    String text;
    LoadMessage(text, MsgKeyMissing, section, key);
    return S(text);
}

const char Script[] = "[UPDATER]\r\nNAME=Setup tool\r\nPROC=A, B\r\nEMPTY=\r\nND1=no_data\r\nND2=NO_DATA\r\n"
                      "ND3=No_Data\r\n[P]\r\nONE=1\r\nNEG=-25\r\nTAIL=12abc\r\nWORD=abc\r\nMACRO=<Win>\r\n"
                      "[S]\r\nPATH=<Win>\\..\\x\r\n";

// raw: null when absent; expanded: by ReadKey, filled in;
// number: by ReadProfileInt, 77 when no number.
struct ProfileRow { const char* section; const char* key; const char* raw; const char* expanded; int number; };

const ProfileRow profileRows[] = {
    {"UPDATER", "NAME", "Setup tool", "Setup tool", 77}, {"updater", "proc", "A, B", "A, B", 77},
    {"UPDATER", "EMPTY", "", "", 77},                    {"UPDATER", "ND1", nullptr, nullptr, 0},
    {"UPDATER", "ND2", nullptr, nullptr, 0},             {"UPDATER", "ND3", nullptr, nullptr, 0},
    {"UPDATER", "OTHER", nullptr, nullptr, 0},           {"NOSECTION", "NAME", nullptr, nullptr, 0},
    {"P", "ONE", "1", "1", 1},                           {"P", "NEG", "-25", "-25", -25},
    {"P", "TAIL", "12abc", "12abc", 12},                 {"P", "WORD", "abc", "abc", 77},
    {"P", "MACRO", "<Win>", "{win}", 77},                {"S", "PATH", "<Win>\\..\\x", "{drive}\\x", 77},
};

} // namespace

TEST_CASE("macros: DEFINE lines first, then the six built-ins in their order; one expansion pass") {
    for (const MacroRow& row : macroRows) {
        INFO("row \"" << S(row.define) << "\"");
        Run run("", std::string("[DEFINE]\r\n") + row.define + "\r\n");
        CHECK(BuildMacroTable());
        CHECK(macroTable.entryCount == row.entryCount);
        CHECK(S(macroTable.entries) == Fill(row.entries));
        CHECK(Expanded(row.text) == Fill(row.expanded));
    }
}

TEST_CASE("expand: value functions") {
    const char* const apps[][3] = {{"c_unit_tool.exe", "C:\\Tools\\tool.exe", "C:\\Tools;\\"},
                                   {"c_unit_other.exe", "C:\\Other\\other.exe", "C:\\Other\\;"},
                                   {"c_unit_bare.exe", "C:\\Bare\\bare.exe", nullptr}};
    Run run("a \"b c\" d", "", apps, 3);
    struct Row { const char* text; const char* expanded; bool changed; };
    const Row rows[] = {
        // Ranges are checked against their definition on random texts.
        {"{?Param\\1}", "b c", true}, {"{?Param\\-1}", "d", true}, {"{?Param\\5}", "", true},
        {"<{?param\\0}>{?PARAM\\2}", "<a>d", true}, {"{?Param}", "a", true}, {"{?Param\\x}", "a", true},
        {"{?SpFolder\\1a}", "{appdata}", true}, {"{?spfolder\\0x1A}\\x", "{appdata}\\x", true},
        {"{?SpFolder\\ff}", "{?SpFolder\\ff}", false}, {"{?SpFolder\\11}", "{?SpFolder\\11}", false},
        {"{?App\\c_unit_tool.exe}", "C:\\Tools\\tool.exe", true},
        {"{?app\\C_UNIT_TOOL.EXE} /q", "C:\\Tools\\tool.exe /q", true},
        {"{?AppPath\\c_unit_tool.exe}", "C:\\Tools", true},
        // Backslashes go first, then semicolons.
        {"{?AppPath\\c_unit_other.exe}", "C:\\Other\\", true},
        {"{?AppPath\\c_unit_bare.exe}", "{?AppPath\\c_unit_bare.exe}", false},
        {"{{?App\\c_unit_bare.exe}}", "C:\\Bare\\bare.exe", true}, {"{?App\\none.exe}", "{?App\\none.exe}", false},
        {"{?AppPath\\none.exe}", "{?AppPath\\none.exe}", false},
        {"{?Nope\\x}{plain}", "{?Nope\\x}{plain}", false}, {"no braces", "no braces", false},
    };
    for (const Row& row : rows) {
        INFO("row \"" << S(row.text) << "\"");
        String value(row.text);
        CHECK(ExpandFunctions(value) == row.changed);
        CHECK(S(value) == Fill(row.expanded));
    }
    // A stretch of numbers that name no word is cut to 32,768 at its far end.
    std::string empties, words = "a, b c, d";
    for (int i = 0; i < 32768; i++)
        empties += ", ";
    const std::pair<const char*, std::string> ranges[] = {
        {"{?Param\\-32800\\-1}", empties + words + ", " + words}, {"{?Param\\0\\2147483647}", words + empties},
        {"{?Param\\-2147483648\\2147483647}", empties + words + ", " + words + empties}};
    for (const auto& range : ranges) {
        String value(range.first);
        ExpandFunctions(value);
        CHECK(S(value) == range.second);
    }
}

TEST_CASE("expand: one pass gives what the stepwise definitions give, on random texts") {
    std::mt19937 random(7122026);
    Run run("");
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
        bool changed = ExpandMacros(macros);
        REQUIRE(std::string(macros.Text()) == PlainMacros(text));
        REQUIRE(changed == (macros.Text() != text));

        std::string path = RandomPieces(random, pathPieces, static_cast<int>(random() % 14));
        CAPTURE(path);
        String parents(path.c_str());
        changed = CollapseParents(parents);
        REQUIRE(std::string(parents.Text()) == PlainParents(path));
        REQUIRE(changed == (parents.Text() != path));

        std::string line = RandomPieces(random, wordPieces, static_cast<int>(random() % 10));
        CAPTURE(line);
        runContext.commandLine.Assign(line.c_str());
        int first = static_cast<int>(random() % 9) - 4, last = static_cast<int>(random() % 9) - 4;
        String call(("{?Param\\" + std::to_string(first) + "\\" + std::to_string(last) + "}").c_str());
        ExpandFunctions(call);
        REQUIRE(std::string(call.Text()) == PlainParam(runContext.commandLine, first, last));
    }
}

TEST_CASE("profile: raw and expanded reads; NO_DATA in any case is absent and reported") {
    Run run("", Script);
    BuildMacroTable();
    for (const ProfileRow& row : profileRows) {
        INFO("row " << S(row.section) << " " << S(row.key));
        String raw("kept"), expanded("kept");
        int number = 77, count = box.count;
        CHECK(ReadProfileString(run.script.c_str(), row.section, row.key, raw) == (row.raw != nullptr));
        CHECK(S(raw) == S(row.raw ? row.raw : "kept"));
        CHECK(ReadKey(row.section, row.key, expanded) == (row.raw != nullptr));
        CHECK(S(expanded) == Fill(row.expanded ? row.expanded : "kept"));
        CHECK(ReadProfileInt(run.script.c_str(), row.section, row.key, number) == (row.raw != nullptr));
        CHECK(ReadIntKey(row.section, row.key, number) == (row.raw != nullptr));
        CHECK(number == (row.raw ? row.number : 77));
        CHECK(box.count == count + (row.raw ? 0 : 2));
        if (!row.raw)
            CHECK((box.text == KeyMissing(row.section, row.key) && box.caption == "Script test" &&
                   box.style == static_cast<unsigned>(ErrorBoxStyle)));
    }
    String value("kept");
    CHECK_FALSE(ReadProfileString("C:\\no such folder\\none.ini", "UPDATER", "NAME", value));
}
