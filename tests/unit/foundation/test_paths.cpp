// Roots and entry prefixes of paths; "\x95\x5C" is a character whose trail byte is "\\".
#include "tests/unit/Unit.h"

#include "foundation/PathText.h"

TEST_CASE("Path roots, root paths and entry prefixes") {
    struct Row { const char* path; int rootLength; bool isRoot; const char* prefix; } rows[] = {
        {"C:\\", 3, true, "C:\\"},                {"C:", 2, true, "C:"},                  {"c:\\\\", 3, true, "c:\\\\"},
        {"\\", 1, true, "\\"},                    {"\\\\server\\share", 14, true, "\\\\server\\share"},
        {"\\\\server\\share\\", 15, true, "\\\\server\\share\\"},
        {"\\\\server\\share\\dir\\f", 15, false, "\\\\server\\share\\dir\\"},
        {"C:\\a\\..", 3, true, "C:\\a\\"},        {"C:\\a\\..\\b", 3, false, "C:\\a\\..\\"},
        {"C:\\..\\..", 3, true, "C:\\..\\"},      {"C:\\.\\*.*", 3, true, "C:\\.\\"},     {"C:\\*", 3, true, "C:\\"},
        {"C:\\*.txt", 3, false, "C:\\"}, {"C:\\a\\*", 3, false, "C:\\a\\"}, {"C:\\*\\a", 3, false, "C:\\*\\"},
        {"C:name.txt", 2, false, "C:"},           {"name.txt", 0, false, ""},             {".", 0, false, ""},
        {"", 0, false, ""},                       {"C:\\\x95\x5C", 3, false, "C:\\"},
        {"C:\\\x95\x5C\\x", 3, false, "C:\\\x95\x5C\\"},
    };
    for (const Row& row : rows) {
        INFO("row \"" << S(row.path) << "\"");
        CHECK(PathRootLength(row.path) == row.rootLength);
        CHECK(IsRootPath(String(row.path)) == row.isRoot);
        CHECK(S(PathPrefix(String(row.path))) == row.prefix);
    }
}
