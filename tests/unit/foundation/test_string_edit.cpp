// Replacing, trimming and the directory of a path.
#include "tests/unit/Unit.h"

namespace {

struct RangeRow { const char* text; int first, last; const char* with; const char* result; };

// A range ending just before it starts inserts.
const RangeRow rangeRows[] = {
    {"abcdef", 2, 3, "XY", "abXYef"}, {"abcdef", 0, 1, "X", "Xcdef"}, {"abcdef", 4, 5, "X", "abcdX"},
    {"abcdef", 0, 5, "", ""},         {"abcdef", 2, 2, "", "abdef"},  {"abc", 1, 0, "X", "aXbc"},
    {"abc", 0, -1, "X", "Xabc"},      {"abc", 3, 2, "X", "abcX"},     {"", 0, -1, "X", "X"},
};

struct ReplaceAllRow { const char* text; const char* pattern; const char* with; bool replaced; const char* result; };

const ReplaceAllRow replaceAllRows[] = {
    {"a%nb%nc%n", "%n", "\n", true, "a\nb\nc\n"}, {"no markers %t here", "%n", "\n", false, "no markers %t here"},
    {"", "%n", "\n", false, ""}, {"%n", "%n", "\n", true, "\n"}, {"%N%T", "%n", "\n", false, "%N%T"},
    // What a replacement joins is searched again: one pass would leave "%%n".
    {"%%nn", "%n", "%", true, "%%"}, {"aabb", "ab", "a", true, "aa"},
    {"\x95\x5C" "n", "\\n", "\n", false, "\x95\x5C" "n"}, {"\x95\x5C\\n", "\\n", "\n", true, "\x95\x5C\n"},
};

struct TrimRow { const char* text; const char* leading; const char* trailing; const char* result; };

// Whole repeats are removed, not sets of characters; ASCII letters compare
// without regard to case; the trailing removal never reaches into the
// leading one; a trail byte 0x5C or 0x7D is no backslash or brace.
const TrimRow trimRows[] = {
    {"   ", " ", " ", ""},           {"  a b  ", " ", " ", "a b"},  {"\ta\t", " ", " ", "\ta\t"},
    {"", " ", " ", ""},              {"C:\\dir\\\\\\", "", "\\", "C:\\dir"}, {"\\\\a\\b\\", "\\", "\\", "a\\b"},
    {"\\", "\\", "\\", ""},          {"{{x}}}", "{", "}", "x"},    {"}x{", "{", "}", "}x{"},
    {"ababax", "ab", "", "ax"},      {"xaba", "", "ba", "xa"},      {"ab", "abc", "", "ab"},
    {"ABabxAbaB", "ab", "AB", "x"}, {"xINI", "", "ini", "x"},      {"zZx", "z", "", "x"},
    {"\x82\xA0" "x", "\x82\x80", "", "\x82\xA0" "x"}, {"aba", "ab", "ba", "a"}, {"xx", "x", "xx", ""},
    {"abc", "ab", "bc", "c"},        {" a ", "", "", " a "},        {" a ", " ", "", "a "},
    {"C:\\\x95\x5C", "", "\\", "C:\\\x95\x5C"}, {"C:\\\x83\x5C\\\\", "", "\\", "C:\\\x83\x5C"},
    {"\\\x95\x5C", "\\", "\\", "\x95\x5C"},
    // Lead-capable bytes pair up from the left: 95 95 | 5C stands alone.
    {"\x95\x95\x5C", "", "\\", "\x95\x95"}, {"\x95\x95\x95\x5C", "", "\\", "\x95\x95\x95\x5C"},
    {"{\x83\x7D", "{", "}", "\x83\x7D"}, {"{\x83\x7D}}", "{", "}", "\x83\x7D"},
};

struct DirectoryRow { const char* path; const char* directory; }; // null: false and the target unchanged

// None, or one only at the first byte, gives none; a trail byte 0x5C is no backslash.
const DirectoryRow directoryRows[] = {
    {"C:\\app\\setup.exe", "C:\\app"}, {"C:\\app\\", "C:\\app"}, {"a\\\\b", "a\\"}, {"C:\\setup.exe", "C:"},
    {"\\setup.exe", nullptr},          {"setup.exe", nullptr},  {"", nullptr},     {"\\", nullptr},
    {"C:\\\x95\x5C", "C:"},            {"C:\\\x83\x5C\\app.exe", "C:\\\x83\x5C"}, {"\x95\x5C" "app.exe", nullptr},
};

// Pattern or text taken from the string's own block (an offset into it, or
// -1 for the fixed text): each replacement frees the block they point into.
struct OwnBlockRow { const char* text; int patternAt; int withAt; const char* result; };
const OwnBlockRow ownBlockRows[] = {
    {"ab", 1, -1, "a-"},      {"ab.ab", 3, -1, "-.-"},      {"%n%nb", -1, 4, "bbb"},
    {"%n%nab", -1, 4, "ababab"}, {"ab.ab.-", 3, 6, "-"},
};

} // namespace

TEST_CASE("ReplaceRange") {
    for (const RangeRow& row : rangeRows) {
        INFO("row \"" << S(row.text) << "\" " << row.first << " " << row.last << " \"" << S(row.with) << "\"");
        String s(row.text);
        s.ReplaceRange(row.first, row.last, row.with);
        CHECK(S(s) == S(row.result));
    }
    String s("abc");
    s.ReplaceRange(0, 0, s.Text() + 1); // the text may come from the string itself
    CHECK(S(s) == "bcbc");
}

TEST_CASE("ReplaceAll") {
    for (const ReplaceAllRow& row : replaceAllRows) {
        INFO("row \"" << S(row.text) << "\" \"" << S(row.pattern) << "\"");
        String s(row.text);
        const char* before = s.Text();
        CHECK(s.ReplaceAll(row.pattern, row.with) == row.replaced);
        CHECK(S(s) == S(row.result));
        if (!row.replaced)
            CHECK(s.Text() == before);
    }
}

TEST_CASE("ReplaceAll with a pattern or text from the string's own block") {
    for (const OwnBlockRow& row : ownBlockRows) {
        INFO("row \"" << row.text << "\" " << row.patternAt << " " << row.withAt);
        String s(row.text);
        const char* pattern = row.patternAt < 0 ? "%n" : s.Text() + row.patternAt;
        const char* with = row.withAt < 0 ? "-" : s.Text() + row.withAt;
        CHECK(s.ReplaceAll(pattern, with));
        CHECK(S(s) == row.result);
    }
}

TEST_CASE("Trim") {
    for (const TrimRow& row : trimRows) {
        INFO("row \"" << S(row.text) << "\" \"" << S(row.leading) << "\" \"" << S(row.trailing) << "\"");
        String s(row.text);
        const char* before = s.Text();
        s.Trim(row.leading, row.trailing);
        CHECK(S(s) == S(row.result));
        if (S(row.text) == row.result) // untouched, not copied
            CHECK(s.Text() == before);
    }
}

TEST_CASE("DirectoryOf") {
    for (const DirectoryRow& row : directoryRows) {
        INFO("row \"" << S(row.path) << "\"");
        String target("unchanged");
        CHECK(DirectoryOf(String(row.path), target) == (row.directory != nullptr));
        CHECK(S(target) == S(row.directory ? row.directory : "unchanged"));
    }
    String path("C:\\app\\setup.exe");
    CHECK(DirectoryOf(path, path)); // the path may be the target
    CHECK(S(path) == "C:\\app");
}
