// Reads of the script through the private-profile functions.
#include <doctest.h>

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "script/Macros.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "ScriptFile.h"

namespace {

class ProfileScript : public ScriptFile {
public:
    explicit ProfileScript(const std::string& content) : ScriptFile("profile", content) {}
};

struct Box {
    int count;
    std::string text, caption;
    unsigned style;
};
Box box;

int CaptureBox(const char* text, const char* caption, unsigned style) {
    box.count++;
    box.text = text;
    box.caption = caption;
    box.style = style;
    return IDOK;
}

// Boxes go to `box` for the life of the object.
class BoxCapture {
public:
    BoxCapture() {
        box = Box();
        runContext.caption.Assign("Profile test");
        SetReportCaption(&runContext.caption);
        SetBoxHook(CaptureBox);
    }
    ~BoxCapture() { SetBoxHook(nullptr); }
};

void ResetMacros() {
    macroTable.entryCount = 0;
    macroTable.entries.Assign("");
}

std::string KeyMissingText(const char* section, const char* key) {
    String text;
    LoadMessage(text, MsgKeyMissing, section, key);
    return text.Text();
}

std::string WindowsDirectory() {
    char buffer[MAX_PATH];
    GetWindowsDirectoryA(buffer, MAX_PATH);
    return buffer;
}

} // namespace

TEST_CASE("profile: a string key is read as the platform gives it") {
    ProfileScript script("[UPDATER]\r\nNAME=Setup tool\r\nPROC=A, B\r\nEMPTY=\r\n");
    String value("before");
    CHECK(ReadProfileString(script.Path(), "UPDATER", "NAME", value));
    CHECK(std::string(value.Text()) == "Setup tool");
    CHECK(ReadProfileString(script.Path(), "updater", "proc", value));
    CHECK(std::string(value.Text()) == "A, B");
}

TEST_CASE("profile: an empty value is present and reads as empty") {
    ProfileScript script("[UPDATER]\r\nNAME=\r\n");
    String value("before");
    CHECK(ReadProfileString(script.Path(), "UPDATER", "NAME", value));
    CHECK(value.IsEmpty());
}

TEST_CASE("profile: NO_DATA in any case, a missing key or file reads as absent") {
    ProfileScript script("[UPDATER]\r\nNAME=no_data\r\nPROC=NO_DATA\r\nMODE=No_Data\r\n");
    String value("kept");
    CHECK_FALSE(ReadProfileString(script.Path(), "UPDATER", "NAME", value));
    CHECK_FALSE(ReadProfileString(script.Path(), "UPDATER", "PROC", value));
    CHECK_FALSE(ReadProfileString(script.Path(), "UPDATER", "MODE", value));
    CHECK_FALSE(ReadProfileString(script.Path(), "UPDATER", "OTHER", value));
    CHECK_FALSE(ReadProfileString(script.Path(), "NOSECTION", "NAME", value));
    CHECK_FALSE(ReadProfileString("C:\\no such folder\\none.ini", "UPDATER", "NAME", value));
    CHECK(std::string(value.Text()) == "kept");
}

TEST_CASE("profile: ReadKey reports an absent key with message 2 and keeps the value") {
    ProfileScript script("[UPDATER]\r\nNAME=no_data\r\n");
    BoxCapture capture;
    String value("kept");
    CHECK_FALSE(ReadKey("UPDATER", "NAME", value));
    CHECK(std::string(value.Text()) == "kept");
    REQUIRE(box.count == 1);
    CHECK(box.text == KeyMissingText("UPDATER", "NAME"));
    CHECK(box.text.find("\"UPDATER\"") != std::string::npos);
    CHECK(box.text.find("\"NAME\"") != std::string::npos);
    CHECK(box.caption == "Profile test");
    CHECK(box.style == static_cast<unsigned>(ErrorBoxStyle));
}

TEST_CASE("profile: ReadKey of a present key shows nothing, an empty value included") {
    ProfileScript script("[UPDATER]\r\nNAME=\r\n[COPY1]\r\nMODE=COPY\r\n");
    ResetMacros();
    BoxCapture capture;
    String value("before");
    CHECK(ReadKey("UPDATER", "NAME", value));
    CHECK(value.IsEmpty());
    CHECK(ReadKey("COPY1", "MODE", value));
    CHECK(std::string(value.Text()) == "COPY");
    CHECK(box.count == 0);
    String to("kept");
    CHECK_FALSE(ReadKey("COPY1", "TO", to));
    CHECK(box.text == KeyMissingText("COPY1", "TO"));
    CHECK(std::string(to.Text()) == "kept");
}

TEST_CASE("profile: ReadKey expands macros and then removes parent steps") {
    ProfileScript script("[S]\r\nPATH=<Win>\\..\\x\r\nRAW=<Win>\r\n");
    ResetMacros();
    BuildMacroTable();
    BoxCapture capture;
    String value;
    REQUIRE(ReadKey("S", "PATH", value));
    std::string windows = WindowsDirectory();
    std::string drive = windows.substr(0, windows.find('\\'));
    CHECK(std::string(value.Text()) == drive + "\\x");
    REQUIRE(ReadKey("S", "RAW", value));
    CHECK(std::string(value.Text()) == windows);
    String raw;
    REQUIRE(ReadProfileString(script.Path(), "S", "RAW", raw));
    CHECK(std::string(raw.Text()) == "<Win>");
    CHECK(box.count == 0);
    ResetMacros();
}

TEST_CASE("profile: the integer key is scanned as a decimal number") {
    ProfileScript script("[P]\r\nISWAIT=1\r\nNEG=-25\r\nTAIL=12abc\r\nWORD=abc\r\nEMPTY=\r\n"
                         "OFF=no_data\r\nMACRO=<Win>\r\n");
    int value = 77;
    CHECK(ReadProfileInt(script.Path(), "P", "ISWAIT", value));
    CHECK(value == 1);
    CHECK(ReadProfileInt(script.Path(), "P", "NEG", value));
    CHECK(value == -25);
    CHECK(ReadProfileInt(script.Path(), "P", "TAIL", value));
    CHECK(value == 12);
    value = 77;
    CHECK(ReadProfileInt(script.Path(), "P", "WORD", value));
    CHECK(value == 77);
    CHECK(ReadProfileInt(script.Path(), "P", "EMPTY", value));
    CHECK(value == 77);
    CHECK(ReadProfileInt(script.Path(), "P", "MACRO", value));
    CHECK(value == 77);
    CHECK_FALSE(ReadProfileInt(script.Path(), "P", "OFF", value));
    CHECK_FALSE(ReadProfileInt(script.Path(), "P", "NONE", value));
    CHECK(value == 77);
}

TEST_CASE("profile: ReadIntKey keeps the value of ISWAIT=abc and reports an absent key") {
    ProfileScript script("[L]\r\nISWAIT=abc\r\nGOOD=3\r\n");
    BoxCapture capture;
    int value = 5;
    CHECK(ReadIntKey("L", "ISWAIT", value));
    CHECK(value == 5);
    CHECK(ReadIntKey("L", "GOOD", value));
    CHECK(value == 3);
    CHECK(box.count == 0);
    CHECK_FALSE(ReadIntKey("L", "MISSING", value));
    CHECK(value == 3);
    REQUIRE(box.count == 1);
    CHECK(box.text == KeyMissingText("L", "MISSING"));
}

TEST_CASE("profile: a section's comment lines are skipped and the rest joined by line feeds") {
    ProfileScript script("[DEFINE]\r\n;x=1\r\n<A>=1\r\n<B>=2\r\n[ONLY]\r\n;a=1\r\n;b=2\r\n");
    String lines;
    CHECK(ReadProfileSection(script.Path(), "DEFINE", lines) == 2);
    CHECK(std::string(lines.Text()) == "<A>=1\n<B>=2");
    String comments;
    CHECK(ReadProfileSection(script.Path(), "ONLY", comments) == 0);
    CHECK(comments.IsEmpty());
    String kept("kept");
    CHECK(ReadProfileSection(script.Path(), "NONE", kept) == 0);
    CHECK(std::string(kept.Text()) == "kept");
}

TEST_CASE("profile: a section is appended after a line feed to a text that is not empty") {
    ProfileScript script("[DEFINE]\r\n<A>=1\r\n;c\r\n<B>=2\r\n");
    String lines("<Z>=0");
    CHECK(ReadProfileSection(script.Path(), "DEFINE", lines) == 2);
    CHECK(std::string(lines.Text()) == "<Z>=0\n<A>=1\n<B>=2");
}

TEST_CASE("profile: a value of 40,000 bytes is cut to the work area") {
    std::string value(40000, 'v');
    for (size_t i = 0; i < value.size(); i += 100)
        value[i] = static_cast<char>('a' + (i / 100) % 26);
    ProfileScript script("[BIG]\r\nKEY=" + value + "\r\nNEXT=ok\r\n");
    String read;
    REQUIRE(ReadProfileString(script.Path(), "BIG", "KEY", read));
    CHECK(read.Length() > 0);
    CHECK(read.Length() < 32767);
    CHECK(value.compare(0, static_cast<size_t>(read.Length()), read.Text()) == 0);
    ResetMacros();
    BoxCapture capture;
    String expanded;
    CHECK(ReadKey("BIG", "KEY", expanded));
    CHECK(std::string(expanded.Text()) == read.Text());
    int number = 9;
    CHECK(ReadProfileInt(script.Path(), "BIG", "KEY", number));
    CHECK(number == 9);
}

TEST_CASE("profile: a section larger than the work area is cut, never overrun") {
    std::string content = "[DEFINE]\r\n";
    for (int i = 0; i < 3000; i++) {
        char line[64];
        snprintf(line, sizeof line, "<M%04d>=value-%04d-xxxxxxxx\r\n", i, i);
        content += line;
    }
    ProfileScript script(content);
    String lines;
    int count = ReadProfileSection(script.Path(), "DEFINE", lines);
    CHECK(count > 1000);
    CHECK(count < 3000);
    CHECK(lines.Length() < 32768);
    CHECK(std::string(lines.Text()).compare(0, 26, "<M0000>=value-0000-xxxxxxx") == 0);
    CHECK(lines.ItemCount("\n") == count);
}
