// Roots, levels and entry prefixes of paths; "\x95\x5C" is a character whose trail byte is "\\".
#include "tests/unit/Unit.h"
#include "foundation/Multibyte.h"
#include "foundation/PathText.h"

// "/" for every "\\" that is not a trail byte.
static std::string Slashed(std::string text) {
    for (const char* p = text.c_str(); *p; p = NextChar(p))
        text[p - text.c_str()] = *p == '\\' ? '/' : *p;
    return text;
}

// Every row holds as written and with "/" for each "\\".
TEST_CASE("Path roots, root paths, entry prefixes, levels and folders") {
    struct Row { const char* path; bool isRoot; const char* prefix; int levels; } rows[] = {
        {"C:\\", true, "C:\\", 2}, {"C:", true, "C:", 1}, {"c:\\\\", true, "c:\\\\", 3}, {"\\", true, "\\", 2},
        {"\\\\server\\share", true, "\\\\server\\share", 4}, {"\\\\server\\share\\", true, "\\\\server\\share\\", 5},
        {"\\\\server\\share\\dir\\f", false, "\\\\server\\share\\dir\\", 6}, {"\\\\server", true, "\\\\server", 3},
        {"\\\\?\\C:\\", true, "\\\\?\\C:\\", 5}, {"\\\\.\\C:\\*", true, "\\\\.\\C:\\", 5},
        {"\\\\?\\C:\\a", false, "\\\\?\\C:\\", 5}, {"\\\\?\\unc\\s\\sh\\*", true, "\\\\?\\unc\\s\\sh\\", 7},
        {"\\\\?\\UNC\\s\\sh\\a", false, "\\\\?\\UNC\\s\\sh\\", 7}, {"\\\\.\\pipe\\x", false, "\\\\.\\pipe\\", 5},
        {"C:\\a\\..", true, "C:\\a\\", 3}, {"C:\\a\\..\\b", false, "C:\\a\\..\\", 4},
        {"C:\\..\\..", true, "C:\\..\\", 3}, {"C:\\a\\...", true, "C:\\a\\", 3}, {"C:\\a\\.. ", true, "C:\\a\\", 3},
        {"C:\\. \\*. ", true, "C:\\. \\", 3}, {"C:\\*", true, "C:\\", 2},
        {"C:\\ ", true, "C:\\", 2}, {"C:\\*.txt", false, "C:\\", 2}, {"C:\\a\\*", false, "C:\\a\\", 3},
        {"C:\\*\\a", false, "C:\\*\\", 3}, {"C:\\*\\a\\..", true, "C:\\*\\a\\", 4}, {"C:\\a.", false, "C:\\", 2},
        {"C:name.txt", false, "C:", 1}, {"name.txt", false, "", 1}, {".", false, "", 1}, {"", false, "", 0},
        {"C:\\\x95\x5C", false, "C:\\", 2}, {"C:\\\x95\x5C\\x", false, "C:\\\x95\x5C\\", 3},
    };
    for (const Row& row : rows) {
        for (bool slashed : {false, true}) {
            std::string path = slashed ? Slashed(row.path) : row.path;
            INFO("row \"" << path << "\"");
            CHECK(IsRootPath(String(path.c_str())) == row.isRoot);
            CHECK(S(PathPrefix(String(path.c_str()))) == (slashed ? Slashed(row.prefix) : row.prefix));
            CHECK(PathLevelCount(path.c_str()) == row.levels);
        }
    }
    // The same rules in UTF-16 units, as the file system holds a path: a unit is a character, none hides a "\\".
    for (const Row& row : rows) {
        std::string path = row.path;
        if (path.find('\x95') != std::string::npos)
            continue;
        std::wstring wide(path.begin(), path.end());
        INFO("wide row \"" << path << "\"");
        CHECK(PathRootLength(wide.c_str()) == PathRootLength(path.c_str()));
        CHECK(PathLevelCount(wide.c_str()) == row.levels);
        CHECK(PathPrefixLength(wide.c_str()) == PathPrefix(String(path.c_str())).Length());
    }
    CHECK((std::wstring(PathFromLevel(L"C:\\a/b\\\\c", 2)) == L"b\\\\c" && PathPrefixLength(L"C:\\\uD55C\\x") == 5));
    // The text from a level on, without trailing separators, and paths inside a folder.
    CHECK((S(PathFromLevel("C:\\a/b\\\\c", 2)) == "b\\\\c" && S(PathFromLevel("C:\\\x95\x5C/c", 2)) == "c"));
    CHECK((S(PathFromLevel("C:\\a", 5)) == "" && S(WithoutTrailingSeparators(String("C:\\a/\\"))) == "C:\\a"));
    CHECK((S(WithoutTrailingSeparators(String("C:\\\x95\x5C"))) == "C:\\\x95\x5C" && PathRootLength("C:a") == 2));
    CHECK((EndsInSeparator(String("C:\\a\\")) && EndsInSeparator(String("a/")) && !EndsInSeparator(String("C:\\\x95\x5C"))));
    CHECK(!(EndsInSeparator(String("")) || EndsInSeparator(String("C:\\a"))));
    CHECK((PathRootLength("\\\\?\\UNC\\s\\sh\\a") == 13 && PathRootLength("//s/sh/x") == 7));
    // A final path's plain form: the drive's and the share's long forms only.
    for (auto pair : {std::make_pair("\\\\?\\C:\\a", "C:\\a"), std::make_pair("\\\\?\\unc\\s\\sh\\a", "\\\\s\\sh\\a"),
                      std::make_pair("\\\\?\\Volume{1}\\a", "\\\\?\\Volume{1}\\a"), std::make_pair("\\\\.\\C:\\a", "\\\\.\\C:\\a"),
                      std::make_pair("C:\\a", "C:\\a"), std::make_pair("\\\\?\\UNCa", "\\\\?\\UNCa")})
        CHECK(S(WithoutLongPrefix(String(pair.first))) == pair.second);
    CHECK((IsPathInside("C:\\s", "C:\\s") && IsPathInside("c:\\S\\in", "C:\\s") && IsPathInside("C:\\s/in", "C:\\s")));
    CHECK((!(IsPathInside("C:\\s2", "C:\\s") || IsPathInside("C:\\", "C:\\s")) && IsPathInside("C:\\s", "c:\\")));
    CHECK(!IsPathInside("C:\\\x83\x61", "C:\\\x83\x41"));
    CHECK((IsPathInside(L"c:\\S\\in", L"C:\\s") && IsPathInside(L"C:\\s/in", L"C:\\s") && IsPathInside(L"C:\\s", L"c:\\")));
    CHECK(!(IsPathInside(L"C:\\s2", L"C:\\s") || IsPathInside(L"C:\\", L"C:\\s") || IsPathInside(L"C:\\\x00E9", L"C:\\\x00C9")));
    // Devices by the last level alone, with an extension, spaces, ":" or separators after the name.
    for (const char* device : {"nul", "C:\\a\\CON", "C:AUX", "a\\prn.txt", "C:\\a\\Com1 . x", "a\\LPT9:", "C:\\NUL\\"})
        CHECK((IsDeviceName(String(device)) && IsDeviceName(String(Slashed(device).c_str()))));
    for (const char* name : {"C:\\a\\COM0", "a\\COM10", "C:\\a\\NULL", "a\\x.nul", "C:\\NUL\\a", "C:\\a\\ NUL", ""})
        CHECK(!IsDeviceName(String(name)));
}
