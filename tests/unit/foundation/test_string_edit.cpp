// Replacing, trimming, counting and the directory of a path.
#include <doctest.h>

#include "foundation/String.h"

#include <string>

static std::string S(const String& s) { return s.Text(); }

static std::string Ranged(const char* text, int first, int last, const char* with) {
    String s(text);
    s.ReplaceRange(first, last, with);
    return S(s);
}

static std::string Trimmed(const char* text, const char* leading, const char* trailing) {
    String s(text);
    s.Trim(leading, trailing);
    return S(s);
}

static int Count(const char* text, const char* pattern) { return String(text).CountOf(pattern); }

TEST_SUITE("String edit") {

TEST_CASE("ReplaceRange") {
    CHECK(Ranged("abcdef", 2, 3, "XY") == "abXYef");
    CHECK(Ranged("abcdef", 0, 1, "X") == "Xcdef");
    CHECK(Ranged("abcdef", 4, 5, "X") == "abcdX");
    CHECK(Ranged("abcdef", 0, 5, "X") == "X");
    CHECK(Ranged("abcdef", 0, 5, "") == "");
    CHECK(Ranged("abcdef", 2, 2, "") == "abdef");
    SUBCASE("a range ending just before it starts inserts") {
        CHECK(Ranged("abc", 1, 0, "X") == "aXbc");
        CHECK(Ranged("abc", 0, -1, "X") == "Xabc");
        CHECK(Ranged("abc", 3, 2, "X") == "abcX");
        CHECK(Ranged("", 0, -1, "X") == "X");
    }
    SUBCASE("the text may come from the string itself") {
        String s("abc");
        s.ReplaceRange(0, 0, s.Text() + 1);
        CHECK(S(s) == "bcbc");
    }
}

TEST_CASE("ReplaceAll") {
    String s("a%nb%nc%n");
    CHECK(s.ReplaceAll("%n", "\n"));
    CHECK(S(s) == "a\nb\nc\n");

    String t("col1%tcol2");
    CHECK(t.ReplaceAll("%t", "\t"));
    CHECK(S(t) == "col1\tcol2");

    SUBCASE("nothing to replace: false and unchanged") {
        String u("no markers %t here");
        const char* before = u.Text();
        CHECK_FALSE(u.ReplaceAll("%n", "\n"));
        CHECK(S(u) == "no markers %t here");
        CHECK(u.Text() == before);
        String e;
        CHECK_FALSE(e.ReplaceAll("%n", "\n"));
        CHECK(S(e) == "");
    }
    SUBCASE("the whole text") {
        String u("%n");
        CHECK(u.ReplaceAll("%n", "\n"));
        CHECK(S(u) == "\n");
    }
    SUBCASE("markers are matched exactly") {
        String u("%N%T");
        CHECK_FALSE(u.ReplaceAll("%n", "\n"));
        CHECK_FALSE(u.ReplaceAll("%t", "\t"));
    }
    SUBCASE("what a replacement joins is searched again") {
        // One pass would give "%%n"; starting over finds the joined "%n".
        String u("%%nn");
        CHECK(u.ReplaceAll("%n", "%"));
        CHECK(S(u) == "%%");
        String v("aabb");
        CHECK(v.ReplaceAll("ab", "a"));
        CHECK(S(v) == "aa");
    }
    SUBCASE("pattern or text from the string's own block") {
        // Each replacement frees the block that the arguments point into.
        struct Row { const char* name; const char* text; int patternAt; int withAt; const char* expected; };
        const Row rows[] = {
            {"pattern is the tail", "ab", 1, -1, "a-"},
            {"pattern found twice", "ab.ab", 3, -1, "-.-"},
            {"text is the tail", "%n%nb", -1, 4, "bbb"},
            {"text is a longer tail", "%n%nab", -1, 4, "ababab"},
            {"both from the block", "ab.ab.-", 3, 6, "-"},
        };
        for (const Row& row : rows) {
            CAPTURE(row.name);
            String s(row.text);
            const char* pattern = row.patternAt < 0 ? "%n" : s.Text() + row.patternAt;
            const char* with = row.withAt < 0 ? "-" : s.Text() + row.withAt;
            CHECK(s.ReplaceAll(pattern, with));
            CHECK(S(s) == row.expected);
        }
    }
    SUBCASE("a trail byte is not part of a match") {
        String u("\x95\x5C" "n");
        CHECK_FALSE(u.ReplaceAll("\\n", "\n"));
        CHECK(S(u) == "\x95\x5C" "n");
        String v("\x95\x5C\\n");
        CHECK(v.ReplaceAll("\\n", "\n"));
        CHECK(S(v) == "\x95\x5C\n");
    }
}

TEST_CASE("Trim") {
    SUBCASE("blanks") {
        CHECK(Trimmed("   ", " ", " ") == "");
        CHECK(Trimmed(" ", " ", " ") == "");
        CHECK(Trimmed("  a b  ", " ", " ") == "a b");
        CHECK(Trimmed("a ", " ", " ") == "a");
        CHECK(Trimmed(" a", " ", " ") == "a");
        CHECK(Trimmed("\ta\t", " ", " ") == "\ta\t");
        CHECK(Trimmed("", " ", " ") == "");
    }
    SUBCASE("a text without blanks is left untouched") {
        String s("abc");
        const char* before = s.Text();
        s.Trim(" ", " ");
        CHECK(S(s) == "abc");
        CHECK(s.Text() == before);
    }
    SUBCASE("backslashes") {
        CHECK(Trimmed("C:\\dir\\\\\\", "", "\\") == "C:\\dir");
        CHECK(Trimmed("C:\\dir", "", "\\") == "C:\\dir");
        CHECK(Trimmed("\\\\a\\b\\", "\\", "\\") == "a\\b");
        CHECK(Trimmed("\\", "", "\\") == "");
        CHECK(Trimmed("\\", "\\", "\\") == "");
    }
    SUBCASE("braces and semicolons") {
        CHECK(Trimmed("{?App}", "{", "}") == "?App");
        CHECK(Trimmed("{{x}}}", "{", "}") == "x");
        CHECK(Trimmed("}x{", "{", "}") == "}x{");
        CHECK(Trimmed("value;;", "", ";") == "value");
        CHECK(Trimmed(";value", "", ";") == ";value");
    }
    SUBCASE("whole repeats, not sets of characters") {
        CHECK(Trimmed("ababax", "ab", "") == "ax");
        CHECK(Trimmed("xbaba", "", "ba") == "x");
        CHECK(Trimmed("xaba", "", "ba") == "xa");
        CHECK(Trimmed("ab", "abc", "") == "ab");
    }
    SUBCASE("ASCII letters compare without regard to case") {
        CHECK(Trimmed("ABabxAbaB", "ab", "AB") == "x");
        CHECK(Trimmed("xINI", "", "ini") == "x");
        CHECK(Trimmed("\x82\xA0" "x", "\x82\x80", "") == "\x82\xA0" "x");
    }
    SUBCASE("the trailing removal never reaches into the leading one") {
        CHECK(Trimmed("aba", "ab", "ba") == "a");
        CHECK(Trimmed("abab", "ab", "ab") == "");
        CHECK(Trimmed("xx", "x", "xx") == "");
        CHECK(Trimmed("abc", "ab", "bc") == "c");
    }
    SUBCASE("nothing to remove on an empty side") {
        CHECK(Trimmed(" a ", "", "") == " a ");
        CHECK(Trimmed(" a ", "", " ") == " a");
        CHECK(Trimmed(" a ", " ", "") == "a ");
    }
    SUBCASE("a trail byte 0x5C is not a trailing backslash") {
        CHECK(Trimmed("C:\\\x95\x5C", "", "\\") == "C:\\\x95\x5C");
        CHECK(Trimmed("C:\\\x95\x5C\\", "", "\\") == "C:\\\x95\x5C");
        CHECK(Trimmed("C:\\\x83\x5C\\\\", "", "\\") == "C:\\\x83\x5C");
        CHECK(Trimmed("\\\x95\x5C", "\\", "\\") == "\x95\x5C");
        CHECK(Trimmed("\x95\x5C", "\\", "\\") == "\x95\x5C");
        // Lead-capable bytes pair up from the left: 95 95 | 5C stands alone.
        CHECK(Trimmed("\x95\x95\x5C", "", "\\") == "\x95\x95");
        CHECK(Trimmed("\x95\x95\x95\x5C", "", "\\") == "\x95\x95\x95\x5C");
    }
    SUBCASE("a trail byte 0x7D is not a trailing brace") {
        CHECK(Trimmed("{\x83\x7D", "{", "}") == "\x83\x7D");
        CHECK(Trimmed("{\x83\x7D}}", "{", "}") == "\x83\x7D");
    }
}

TEST_CASE("CountOf") {
    CHECK(Count("", "\\") == 0);
    CHECK(Count("abc", "\\") == 0);
    CHECK(Count("C:\\a\\b", "\\") == 2);
    CHECK(Count("\"a b\" \"c", "\"") == 3);
    CHECK(Count("*.txt,a?.*", "*") == 2);
    CHECK(Count("C:\\a\\..\\..\\b", "\\..") == 2);
    CHECK(Count("\\...", "\\..") == 1);
    SUBCASE("occurrences do not overlap") {
        CHECK(Count("aaaa", "aa") == 2);
        CHECK(Count("aaa", "aa") == 1);
        CHECK(Count("\\..\\..", "\\..") == 2);
    }
    SUBCASE("trail bytes are not counted") {
        CHECK(Count("C:\\\x95\x5C\\\x83\x5C", "\\") == 2);
        CHECK(Count("\x95\x5C..", "\\..") == 0);
    }
}

TEST_CASE("DirectoryOf") {
    String target("unchanged");
    SUBCASE("the text before the last backslash") {
        CHECK(DirectoryOf(String("C:\\app\\setup.exe"), target));
        CHECK(S(target) == "C:\\app");
        CHECK(DirectoryOf(String("C:\\app\\"), target));
        CHECK(S(target) == "C:\\app");
        CHECK(DirectoryOf(String("a\\\\b"), target));
        CHECK(S(target) == "a\\");
    }
    SUBCASE("a file in the root of a drive gives the drive alone") {
        CHECK(DirectoryOf(String("C:\\setup.exe"), target));
        CHECK(S(target) == "C:");
    }
    SUBCASE("none, or only at the first byte: false and unchanged") {
        CHECK_FALSE(DirectoryOf(String("\\setup.exe"), target));
        CHECK(S(target) == "unchanged");
        CHECK_FALSE(DirectoryOf(String("setup.exe"), target));
        CHECK(S(target) == "unchanged");
        CHECK_FALSE(DirectoryOf(String(""), target));
        CHECK(S(target) == "unchanged");
        CHECK_FALSE(DirectoryOf(String("\\"), target));
        CHECK(S(target) == "unchanged");
    }
    SUBCASE("a trail byte 0x5C is not a backslash") {
        CHECK(DirectoryOf(String("C:\\\x95\x5C"), target));
        CHECK(S(target) == "C:");
        CHECK(DirectoryOf(String("C:\\\x83\x5C\\app.exe"), target));
        CHECK(S(target) == "C:\\\x83\x5C");
        target = "unchanged";
        CHECK_FALSE(DirectoryOf(String("\x95\x5C" "app.exe"), target));
        CHECK(S(target) == "unchanged");
    }
    SUBCASE("the path may be the target") {
        String path("C:\\app\\setup.exe");
        CHECK(DirectoryOf(path, path));
        CHECK(S(path) == "C:\\app");
    }
}

}  // TEST_SUITE
