// Reads of the script through the private-profile functions.
#include "tests/unit/Unit.h"

#include <windows.h>

#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "script/Macros.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "ScriptFile.h"

namespace {

struct Box { int count; std::string text, caption; unsigned style; } box;

// Boxes go to `box` for the life of the object; the macro table is empty.
struct Capture {
    Capture() {
        box = Box();
        runContext.caption.Assign("Profile test");
        SetReportCaption(&runContext.caption);
        SetBoxHook([](const char* text, const char* caption, unsigned style) {
            return box = {box.count + 1, text, caption, style}, IDOK;
        });
        macroTable = MacroTable();
    }
    ~Capture() { SetBoxHook(nullptr); }
};

std::string KeyMissing(const char* section, const char* key) {
    String text;
    LoadMessage(text, MsgKeyMissing, section, key);
    return S(text);
}

const char Script[] = "[UPDATER]\r\nNAME=Setup tool\r\nPROC=A, B\r\nEMPTY=\r\nND1=no_data\r\nND2=NO_DATA\r\n"
                      "ND3=No_Data\r\n[P]\r\nONE=1\r\nNEG=-25\r\nTAIL=12abc\r\nWORD=abc\r\nMACRO=<Win>\r\n"
                      "[S]\r\nPATH=<Win>\\..\\x\r\n";

// raw: null when absent; expanded: by ReadKey, {win} and {drive} the Windows
// directory and its drive; number: by ReadProfileInt, 77 when no number.
struct Row { const char* section; const char* key; const char* raw; const char* expanded; int number; };

const Row rows[] = {
    {"UPDATER", "NAME", "Setup tool", "Setup tool", 77}, {"updater", "proc", "A, B", "A, B", 77},
    {"UPDATER", "EMPTY", "", "", 77},                    {"UPDATER", "ND1", nullptr, nullptr, 0},
    {"UPDATER", "ND2", nullptr, nullptr, 0},             {"UPDATER", "ND3", nullptr, nullptr, 0},
    {"UPDATER", "OTHER", nullptr, nullptr, 0},           {"NOSECTION", "NAME", nullptr, nullptr, 0},
    {"P", "ONE", "1", "1", 1},                           {"P", "NEG", "-25", "-25", -25},
    {"P", "TAIL", "12abc", "12abc", 12},                 {"P", "WORD", "abc", "abc", 77},
    {"P", "MACRO", "<Win>", "{win}", 77},                {"S", "PATH", "<Win>\\..\\x", "{drive}\\x", 77},
};

} // namespace

TEST_CASE("profile: raw and expanded reads; NO_DATA in any case is absent and reported") {
    ScriptFile script("profile", Script);
    Capture capture;
    BuildMacroTable();
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    for (const Row& row : rows) {
        INFO("row " << S(row.section) << " " << S(row.key));
        String raw("kept"), expanded("kept");
        int number = 77, count = box.count;
        CHECK(ReadProfileString(script.Path(), row.section, row.key, raw) == (row.raw != nullptr));
        CHECK(S(raw) == S(row.raw ? row.raw : "kept"));
        CHECK(ReadKey(row.section, row.key, expanded) == (row.raw != nullptr));
        std::string want = row.expanded ? row.expanded : "kept";
        if (want == "{win}")
            want = windows;
        else if (want == "{drive}\\x")
            want = std::string(windows).substr(0, 2) + "\\x";
        CHECK(S(expanded) == want);
        CHECK(ReadProfileInt(script.Path(), row.section, row.key, number) == (row.raw != nullptr));
        CHECK(ReadIntKey(row.section, row.key, number) == (row.raw != nullptr));
        CHECK(number == (row.raw ? row.number : 77));
        CHECK(box.count == count + (row.raw ? 0 : 2));
        if (!row.raw)
            CHECK((box.text == KeyMissing(row.section, row.key) && box.caption == "Profile test" &&
                   box.style == static_cast<unsigned>(ErrorBoxStyle)));
    }
    String value("kept");
    CHECK_FALSE(ReadProfileString("C:\\no such folder\\none.ini", "UPDATER", "NAME", value));
    CHECK(KeyMissing("UPDATER", "NAME").find("\"UPDATER\"") != std::string::npos);
}

TEST_CASE("profile: a section's comment lines are skipped, the rest appended after a line feed") {
    ScriptFile script("profile", "[DEFINE]\r\n;x=1\r\n<A>=1\r\n;c\r\n<B>=2\r\n[ONLY]\r\n;a=1\r\n;b=2\r\n");
    String lines, comments, kept("<Z>=0");
    CHECK(ReadProfileSection(script.Path(), "DEFINE", lines) == 2);
    CHECK(S(lines) == "<A>=1\n<B>=2");
    CHECK((ReadProfileSection(script.Path(), "ONLY", comments) == 0 && comments.IsEmpty()));
    CHECK(ReadProfileSection(script.Path(), "NONE", kept) == 0);
    CHECK(ReadProfileSection(script.Path(), "DEFINE", kept) == 2);
    CHECK(S(kept) == "<Z>=0\n<A>=1\n<B>=2");
}
