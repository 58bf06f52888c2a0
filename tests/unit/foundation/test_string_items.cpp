// Items: pieces between occurrences of a separator.
#include <doctest.h>

#include "foundation/String.h"

#include <string>

static std::string S(const String& s) { return s.Text(); }

static std::string ItemOf(const char* text, int i, const char* separator) {
    return S(String(text).Item(i, separator));
}

static std::string ItemsOf(const char* text, int a, int b, const char* separator) {
    return S(String(text).Items(a, b, separator));
}

static std::string Replaced(const char* text, int a, int b, const char* separator, const char* with) {
    String s(text);
    s.ReplaceItems(a, b, separator, with);
    return S(s);
}

TEST_SUITE("String items") {

TEST_CASE("ItemCount") {
    CHECK(String("").ItemCount(",") == 0);
    CHECK(String("abc").ItemCount(",") == 1);
    CHECK(String("a,b,c").ItemCount(",") == 3);
    CHECK(String("a,,c").ItemCount(",") == 3);
    CHECK(String(",").ItemCount(",") == 2);
    CHECK(String(",a,").ItemCount(",") == 3);
    CHECK(String(" ").ItemCount(",") == 1);
    CHECK(String("C:\\dir\\file.txt").ItemCount("\\") == 3);
    CHECK(String("a\\..\\..\\b").ItemCount("\\..") == 3);
    CHECK(String("a\\...b").ItemCount("\\..") == 2);
}

TEST_CASE("FindItems positions") {
    int first = -7, last = -7;
    String s("a,bc,d");
    REQUIRE(s.FindItems(1, 1, ",", first, last));
    CHECK(first == 2);
    CHECK(last == 3);
    REQUIRE(s.FindItems(0, 2, ",", first, last));
    CHECK(first == 0);
    CHECK(last == 5);

    SUBCASE("an empty item ends just before it starts") {
        String e("a,,c");
        REQUIRE(e.FindItems(1, 1, ",", first, last));
        CHECK(first == 2);
        CHECK(last == 1);
    }
    SUBCASE("an empty first item") {
        String e(",a");
        REQUIRE(e.FindItems(0, 0, ",", first, last));
        CHECK(first == 0);
        CHECK(last == -1);
    }
    SUBCASE("an empty last item") {
        String e("a,");
        REQUIRE(e.FindItems(1, 1, ",", first, last));
        CHECK(first == 2);
        CHECK(last == 1);
    }
    SUBCASE("not found") {
        CHECK_FALSE(s.FindItems(3, 3, ",", first, last));
        CHECK_FALSE(s.FindItems(2, 1, ",", first, last));
        CHECK_FALSE(String("").FindItems(-1, -1, ",", first, last));
    }
    SUBCASE("item 0 of the empty text is found and empty") {
        REQUIRE(String("").FindItems(0, 0, ",", first, last));
        CHECK(first == 0);
        CHECK(last == -1);
    }
}

TEST_CASE("Item and Items") {
    CHECK(ItemOf("a,,c", 1, ",") == "");
    CHECK(ItemOf("a,,c", 2, ",") == "c");
    CHECK(ItemOf("a,b,c", 0, ",") == "a");
    CHECK(ItemOf("abc", 0, ",") == "abc");
    CHECK(ItemOf("", 0, ",") == "");
    CHECK(ItemOf(" x , y ", 1, ",") == " y ");

    SUBCASE("path components") {
        CHECK(ItemOf("C:\\dir\\file.txt", -1, "\\") == "file.txt");
        CHECK(ItemsOf("C:\\dir\\file.txt", 0, -2, "\\") == "C:\\dir");
        CHECK(ItemsOf("C:\\file.txt", 0, -2, "\\") == "C:");
        // One item: b becomes -1, which no separator can end, so the range
        // runs to the end of the text.
        CHECK(ItemsOf("file.txt", 0, -2, "\\") == "file.txt");
        CHECK(ItemOf("C:\\dir\\", -1, "\\") == "");
    }
    SUBCASE("beyond the last item and a > b") {
        CHECK(ItemOf("a,b", 3, ",") == "");
        CHECK(ItemOf("a,b", 2, ",") == "");
        CHECK(ItemsOf("a,b,c", 2, 1, ",") == "");
    }
    SUBCASE("ranges keep the separators between items") {
        CHECK(ItemsOf("a,b,c,d", 1, 2, ",") == "b,c");
        CHECK(ItemsOf("a,b,c,d", 1, 9, ",") == "b,c,d");
        CHECK(ItemsOf("a,b,c,d", 0, -1, ",") == "a,b,c,d");
    }
    SUBCASE("separators at the ends") {
        CHECK(ItemOf(",a,", 0, ",") == "");
        CHECK(ItemOf(",a,", 1, ",") == "a");
        CHECK(ItemOf(",a,", 2, ",") == "");
        CHECK(ItemOf(",a,", -1, ",") == "");
        CHECK(ItemsOf(",a,", 0, 2, ",") == ",a,");
    }
    SUBCASE("lines of name=value") {
        const char defines[] = "A=1\nB=two=2\nC=";
        CHECK(ItemOf(defines, 1, "\n") == "B=two=2");
        CHECK(ItemOf(ItemOf(defines, 1, "\n").c_str(), 0, "=") == "B");
        CHECK(ItemOf(ItemOf(defines, 1, "\n").c_str(), 1, "=") == "two");
        CHECK(ItemOf(ItemOf(defines, 2, "\n").c_str(), 1, "=") == "");
    }
    SUBCASE("parts of a date") {
        CHECK(ItemOf("2004/05/06", 0, "/") == "2004");
        CHECK(ItemOf("2004/05/06", 1, "/") == "05");
        CHECK(ItemOf("2004/05/06", -1, "/") == "06");
    }
    SUBCASE("a separator of several bytes") {
        CHECK(ItemOf("C:\\a\\..\\b", 0, "\\..") == "C:\\a");
        CHECK(ItemOf("C:\\a\\..\\b", 1, "\\..") == "\\b");
        CHECK(ItemOf("\\..\\..", 1, "\\..") == "");
        CHECK(ItemOf("\\..\\..", 2, "\\..") == "");
        CHECK(ItemOf("a\\...b", 1, "\\..") == ".b");
    }
}

TEST_CASE("negative indexes") {
    CHECK(ItemOf("a,b,c", -1, ",") == "c");
    CHECK(ItemOf("a,b,c", -2, ",") == "b");
    CHECK(ItemOf("a,b,c", -3, ",") == "a");
    CHECK(ItemsOf("a,b,c", -2, -1, ",") == "b,c");
    CHECK(ItemsOf("a,b,c", 1, -1, ",") == "b,c");
    CHECK(ItemsOf("a,b,c", -1, -2, ",") == "");
    CHECK(ItemOf("", -1, ",") == "");
    CHECK(ItemOf("abc", -1, ",") == "abc");

    SUBCASE("the count is added once only") {
        // -4 + 3 stays negative: first is never "the start", so item -1 starts
        // after the first separator, and a last index below 0 stops there.
        CHECK(ItemOf("a,b,c", -4, ",") == "");
        CHECK(ItemOf("a,b,c", -5, ",") == "");
        CHECK(ItemsOf("a,b,c", 0, -4, ",") == "a");
        CHECK(ItemsOf("a,b,c", -4, 1, ",") == "b");
        CHECK(ItemsOf("a,b,c", -4, 2, ",") == "b,c");
    }
}

TEST_CASE("Shift-JIS trail bytes are never separators") {
    // 0x95 0x5C and 0x83 0x5C both end in the backslash byte.
    const char path[] = "C:\\\x95\x5C\\\x83\x5C\\file";
    CHECK(String(path).ItemCount("\\") == 4);
    CHECK(ItemOf(path, 1, "\\") == "\x95\x5C");
    CHECK(ItemOf(path, 2, "\\") == "\x83\x5C");
    CHECK(ItemOf(path, -1, "\\") == "file");
    CHECK(ItemsOf(path, 0, -2, "\\") == "C:\\\x95\x5C\\\x83\x5C");

    SUBCASE("a name that ends in such a character") {
        const char dir[] = "C:\\\x95\x5C";
        CHECK(String(dir).ItemCount("\\") == 2);
        CHECK(ItemOf(dir, -1, "\\") == "\x95\x5C");
        CHECK(ItemsOf(dir, 0, -2, "\\") == "C:");
    }
    SUBCASE("a trail byte 0x7C next to a | separator") {
        const char list[] = "\x83\x7C|\x83\x7C";
        CHECK(String(list).ItemCount("|") == 2);
        CHECK(ItemOf(list, 0, "|") == "\x83\x7C");
        CHECK(ItemOf(list, 1, "|") == "\x83\x7C");
    }
    SUBCASE("a separator right after a double-byte character") {
        CHECK(ItemOf("\x82\xA0,\x82\xA2", 1, ",") == "\x82\xA2");
    }
}

TEST_CASE("ReplaceItems") {
    SUBCASE("the extension of the program's path") {
        CHECK(Replaced("C:\\app\\setup.exe", -1, -1, ".", "ini") == "C:\\app\\setup.ini");
        CHECK(Replaced("C:\\app\\setup", -1, -1, ".", "ini") == "ini");
        CHECK(Replaced("C:\\app.d\\setup", -1, -1, ".", "ini") == "C:\\app.ini");
        CHECK(Replaced("C:\\app\\setup.", -1, -1, ".", "ini") == "C:\\app\\setup.ini");
        CHECK(Replaced("C:\\app\\a.b.exe", -1, -1, ".", "ini") == "C:\\app\\a.b.ini");
    }
    SUBCASE("middle, first and last items") {
        CHECK(Replaced("a,b,c", 1, 1, ",", "X") == "a,X,c");
        CHECK(Replaced("a,b,c", 0, 0, ",", "X") == "X,b,c");
        CHECK(Replaced("a,b,c", 2, 2, ",", "X") == "a,b,X");
        CHECK(Replaced("a,b,c", 0, 2, ",", "X") == "X");
        CHECK(Replaced("a,b,c", 1, 2, ",", "") == "a,");
    }
    SUBCASE("an empty item is filled in place") {
        CHECK(Replaced("a,,c", 1, 1, ",", "X") == "a,X,c");
        CHECK(Replaced(",a", 0, 0, ",", "X") == "X,a");
        CHECK(Replaced("a,", 1, 1, ",", "X") == "a,X");
        CHECK(Replaced("", 0, 0, ",", "X") == "X");
    }
    SUBCASE("lines of name=value") {
        CHECK(Replaced("A=1\nB=2", 1, 1, "\n", "B=3") == "A=1\nB=3");
        CHECK(Replaced("A=1", 1, 1, "=", "9") == "A=9");
    }
    SUBCASE("path components") {
        CHECK(Replaced("C:\\a\\b\\..\\c", 2, 3, "\\", "") == "C:\\a\\\\c");
        CHECK(Replaced("C:\\\x95\x5C\\b", 1, 1, "\\", "x") == "C:\\x\\b");
    }
    SUBCASE("unchanged when not found") {
        CHECK(Replaced("a,b", 5, 5, ",", "X") == "a,b");
        CHECK(Replaced("a,b", 1, 0, ",", "X") == "a,b");
        CHECK(Replaced("", -1, -1, ",", "X") == "");
    }
}

}  // TEST_SUITE
