// Roots, levels and entry prefixes of paths; "\x95\x5C" is a character whose trail byte is "\\".
#include "tests/unit/Unit.h"

#include "foundation/Multibyte.h"
#include "foundation/PathText.h"

static std::string Slashed(const char* text) {
    std::string slashed = text;
    for (const char* p = text; *p; p = NextChar(p))
        slashed[p - text] = *p == '\\' ? '/' : *p;
    return slashed;
}

// Every row holds as written and with "/" for each "\\".
TEST_CASE("Path roots, root paths, entry prefixes and levels") {
    struct Row { const char* path; int rootLength; bool isRoot; const char* prefix; int levels; } rows[] = {
        {"C:\\", 3, true, "C:\\", 2}, {"C:", 2, true, "C:", 1}, {"c:\\\\", 3, true, "c:\\\\", 3}, {"\\", 1, true, "\\", 2},
        {"\\\\server\\share", 14, true, "\\\\server\\share", 4}, {"\\\\server\\share\\", 15, true, "\\\\server\\share\\", 5},
        {"\\\\server\\share\\dir\\f", 15, false, "\\\\server\\share\\dir\\", 6}, {"\\\\server", 8, true, "\\\\server", 3},
        {"\\\\?\\C:\\", 7, true, "\\\\?\\C:\\", 5}, {"\\\\.\\C:\\*", 7, true, "\\\\.\\C:\\", 5},
        {"\\\\?\\C:\\a", 7, false, "\\\\?\\C:\\", 5}, {"\\\\?\\unc\\s\\sh\\*", 13, true, "\\\\?\\unc\\s\\sh\\", 7},
        {"\\\\?\\UNC\\s\\sh\\a", 13, false, "\\\\?\\UNC\\s\\sh\\", 7}, {"\\\\.\\pipe\\x", 9, false, "\\\\.\\pipe\\", 5},
        {"C:\\a\\..", 3, true, "C:\\a\\", 3}, {"C:\\a\\..\\b", 3, false, "C:\\a\\..\\", 4}, {"C:\\..\\..", 3, true, "C:\\..\\", 3},
        {"C:\\a\\...", 3, true, "C:\\a\\", 3}, {"C:\\a\\.. ", 3, true, "C:\\a\\", 3}, {"C:\\. \\*. ", 3, true, "C:\\. \\", 3},
        {"C:\\.\\*.*", 3, true, "C:\\.\\", 3}, {"C:\\*", 3, true, "C:\\", 2}, {"C:\\ ", 3, true, "C:\\", 2},
        {"C:\\*.txt", 3, false, "C:\\", 2}, {"C:\\a\\*", 3, false, "C:\\a\\", 3}, {"C:\\*\\a", 3, false, "C:\\*\\", 3},
        {"C:\\*\\a\\..", 3, true, "C:\\*\\a\\", 4},
        {"C:\\a.", 3, false, "C:\\", 2}, {"C:name.txt", 2, false, "C:", 1}, {"name.txt", 0, false, "", 1},
        {".", 0, false, "", 1}, {"", 0, false, "", 0}, {"C:\\\x95\x5C", 3, false, "C:\\", 2},
        {"C:\\\x95\x5C\\x", 3, false, "C:\\\x95\x5C\\", 3},
    };
    for (const Row& row : rows) {
        for (bool slashed : {false, true}) {
            std::string path = slashed ? Slashed(row.path) : row.path;
            INFO("row \"" << path << "\"");
            CHECK(PathRootLength(path.c_str()) == row.rootLength);
            CHECK(IsRootPath(String(path.c_str())) == row.isRoot);
            CHECK(S(PathPrefix(String(path.c_str()))) == (slashed ? Slashed(row.prefix) : row.prefix));
            CHECK(PathLevelCount(path.c_str()) == row.levels);
        }
    }
}

TEST_CASE("The text from a level on, without trailing separators, and paths inside a folder") {
    CHECK((S(PathFromLevel("C:\\a/b\\\\c", 2)) == "b\\\\c" && S(PathFromLevel("C:\\\x95\x5C/c", 2)) == "c"));
    CHECK((S(PathFromLevel("C:\\a", 5)) == "" && S(WithoutTrailingSeparators(String("C:\\a/\\"))) == "C:\\a"));
    CHECK(S(WithoutTrailingSeparators(String("C:\\\x95\x5C"))) == "C:\\\x95\x5C");
    struct Row { const char *path, *directory; bool inside; } rows[] = {
        {"C:\\s", "C:\\s", true},  {"c:\\S\\in", "C:\\s", true}, {"C:\\s/in", "C:\\s", true},
        {"C:\\s2", "C:\\s", false}, {"C:\\", "C:\\s", false},     {"C:\\\x83\x61", "C:\\\x83\x41", false},
    };
    for (const Row& row : rows) {
        INFO("row \"" << row.path << "\" \"" << row.directory << "\"");
        CHECK(IsPathInside(row.path, row.directory) == row.inside);
    }
}
