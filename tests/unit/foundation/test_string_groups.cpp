// Groups: top-level bracketed pieces, markers included.
#include <doctest.h>

#include "foundation/Multibyte.h"
#include "foundation/String.h"

#include <stdlib.h>
#include <string.h>
#include <string>

static std::string GroupsOf(const char* text, int a, int b, const char* open = "<",
                            const char* close = ">") {
    return String(text).Groups(a, b, open, close).Text();
}

static int Count(const char* text, const char* open = "<", const char* close = ">") {
    return String(text).GroupCount(open, close);
}

static std::string Replaced(const char* text, int a, int b, const char* with,
                            const char* open = "<", const char* close = ">") {
    String s(text);
    s.ReplaceGroups(a, b, open, close, with);
    return s.Text();
}

TEST_SUITE("String groups") {

TEST_CASE("GroupCount") {
    CHECK(Count("") == 0);
    CHECK(Count("abc") == 0);
    CHECK(Count("<a>") == 1);
    CHECK(Count("<>") == 1);
    CHECK(Count("x<a<b>c>y<d>") == 2);
    CHECK(Count("<a><b><c>") == 3);
    CHECK(Count("<<<a>>>") == 1);
    SUBCASE("an open marker without a close marker ends the scan") {
        CHECK(Count("x<abc") == 0);
        CHECK(Count("x<a>y<b") == 1);
        CHECK(Count("<a<b>") == 0);
        CHECK(Count("<a><b") == 1);
    }
    SUBCASE("a close marker at depth 0 drives the depth below 0") {
        CHECK(Count(">") == 0);
        CHECK(Count(">a<b>") == 0);
        CHECK(Count("<a>><b>") == 1);
        CHECK(Count("<a>><b><c>") == 1);
        CHECK(Count("<a>><<b>c>") == 2);
        CHECK(Count("x>y<<a>b>") == 1);
        CHECK(Count(">><a>") == 0);
    }
    SUBCASE("braces of the value functions") {
        CHECK(Count("{?App}\\{?Param 1}", "{", "}") == 2);
        CHECK(Count("<Win>{?App}", "{", "}") == 1);
    }
}

TEST_CASE("FindGroups positions include the markers") {
    int first = -7, last = -7;
    REQUIRE(String("x<ab>y").FindGroups(0, 0, "<", ">", first, last));
    CHECK(first == 1);
    CHECK(last == 4);
    REQUIRE(String("<>").FindGroups(0, 0, "<", ">", first, last));
    CHECK(first == 0);
    CHECK(last == 1);
    SUBCASE("an unclosed group runs to the last byte") {
        REQUIRE(String("x<a>y<b").FindGroups(0, 1, "<", ">", first, last));
        CHECK(first == 1);
        CHECK(last == 6);
    }
    SUBCASE("markers of several bytes") {
        REQUIRE(String("a<<b>>c").FindGroups(0, 0, "<<", ">>", first, last));
        CHECK(first == 1);
        CHECK(last == 5);
    }
    SUBCASE("not found") {
        CHECK_FALSE(String("x<abc").FindGroups(0, 0, "<", ">", first, last));
        CHECK_FALSE(String("").FindGroups(0, 0, "<", ">", first, last));
        CHECK_FALSE(String("abc").FindGroups(-1, -1, "<", ">", first, last));
        CHECK_FALSE(String("<a><b>").FindGroups(2, 2, "<", ">", first, last));
        CHECK_FALSE(String("<a><b>").FindGroups(1, 0, "<", ">", first, last));
    }
}

TEST_CASE("Groups") {
    const char text[] = "x<a<b>c>y<d>";
    CHECK(GroupsOf(text, 0, 0) == "<a<b>c>");
    CHECK(GroupsOf(text, 1, 1) == "<d>");
    CHECK(GroupsOf(text, 0, 1) == "<a<b>c>y<d>");
    CHECK(GroupsOf(text, 1, 5) == "<d>");
    CHECK(GroupsOf(text, 2, 2) == "");
    CHECK(GroupsOf("<a><b><c>", 1, 1) == "<b>");
    CHECK(GroupsOf("<a><b><c>", 0, 2) == "<a><b><c>");
    CHECK(GroupsOf("<>", 0, 0) == "<>");
    CHECK(GroupsOf("<<<a>>>", 0, 0) == "<<<a>>>");

    SUBCASE("unclosed groups") {
        CHECK(GroupsOf("x<abc", 0, 0) == "");
        CHECK(GroupsOf("x<a>y<b", 0, 1) == "<a>y<b");
        // An open marker with no close marker after it is never counted as opened.
        CHECK(GroupsOf("x<a>y<b", 1, 1) == "");
        CHECK(GroupsOf("<a<b>", 0, 0) == "<a<b>");
        CHECK(GroupsOf("<a<b", 0, 0) == "");
    }
    SUBCASE("close markers at depth 0") {
        CHECK(GroupsOf(">a<b>", 0, 0) == "");
        CHECK(GroupsOf("x>y<<a>b>", 0, 0) == "<a>");
        CHECK(GroupsOf("<a>><b>", 0, 0) == "<a>");
        CHECK(GroupsOf("<a>><b>", 1, 1) == "");
        CHECK(GroupsOf("<a>><b><c>", 1, 1) == "");
        CHECK(GroupsOf("<a>><<b>c>", 1, 1) == "<b>");
    }
    SUBCASE("negative indexes") {
        CHECK(GroupsOf(text, -1, -1) == "<d>");
        CHECK(GroupsOf(text, -2, -2) == "<a<b>c>");
        CHECK(GroupsOf(text, -2, -1) == "<a<b>c>y<d>");
        CHECK(GroupsOf(text, 0, -2) == "<a<b>c>");
        CHECK(GroupsOf("<a><b><c>", -2, -2) == "<b>");
        CHECK(GroupsOf("<a><b><c>", -5, -5) == "");
        CHECK(GroupsOf("abc", -1, -1) == "");
        CHECK(GroupsOf("", -1, -1) == "");
    }
    SUBCASE("a negative index left below 0 starts after the first marker step") {
        // -3 + 1 stays negative, so the first position is taken after the
        // leading close marker; backing over the longer open marker would
        // start before the text, so it stops at the start.
        CHECK(Count("><<<<a>>", "<<", ">") == 1);
        CHECK(GroupsOf("><<<<a>>", -3, 0, "<<", ">") == "><<<<a>");
        CHECK(GroupsOf("x><<<<a>>", -3, 0, "<<", ">") == "x><<<<a>");
    }
    SUBCASE("braces") {
        CHECK(GroupsOf("{?App}\\{?AppPath x}", 1, 1, "{", "}") == "{?AppPath x}");
        CHECK(GroupsOf("{a{b}}", 0, 0, "{", "}") == "{a{b}}");
    }
}

TEST_CASE("Shift-JIS trail bytes are never markers") {
    // 0x83 0x7D ends in "}", 0x83 0x7B in "{".
    CHECK(Count("{?SpFolder \x83\x7D}", "{", "}") == 1);
    CHECK(GroupsOf("{?SpFolder \x83\x7D}", 0, 0, "{", "}") == "{?SpFolder \x83\x7D}");
    CHECK(GroupsOf("x{\x83\x7D", 0, 0, "{", "}") == "");
    CHECK(Count("\x83\x7B" "a}", "{", "}") == 0);
    CHECK(GroupsOf("\x83\x7B{a}", 0, 0, "{", "}") == "{a}");
    CHECK(Count("{\x83\x7B}\x83\x7D", "{", "}") == 1);
    CHECK(GroupsOf("<\x95\x5C>", 0, 0) == "<\x95\x5C>");
}

TEST_CASE("ReplaceGroups") {
    CHECK(Replaced("<Win>\\x", 0, 0, "C:\\WINDOWS") == "C:\\WINDOWS\\x");
    CHECK(Replaced("a<b>c<d>e", -1, -1, "X") == "a<b>cXe");
    CHECK(Replaced("a<b>c<d>e", 0, 1, "X") == "aXe");
    CHECK(Replaced("<a<b>>", 0, 0, "") == "");
    CHECK(Replaced("x<a>y<b", 0, 1, "Z") == "xZ");
    CHECK(Replaced("{?App}\\bin", 0, 0, "C:\\app", "{", "}") == "C:\\app\\bin");
    SUBCASE("unchanged when not found") {
        CHECK(Replaced("x<abc", 0, 0, "Z") == "x<abc");
        CHECK(Replaced("<a>", 1, 1, "Z") == "<a>");
        CHECK(Replaced("abc", -1, -1, "Z") == "abc");
        CHECK(Replaced("", 0, 0, "Z") == "");
    }
}

}  // TEST_SUITE

// The rules transcribed without any shortcut: each marker is searched anew
// from the cursor on every step.
namespace {

struct Found {
    bool found;
    int first, last;
};

const char* Next(const char* cursor, const char* marker) { return FindText(cursor, marker); }

int NaiveCount(const char* text, const char* open, const char* close) {
    const char* cursor = text;
    int depth = 0, count = 0;
    for (;;) {
        const char* o = Next(cursor, open);
        const char* c = Next(cursor, close);
        if (o && c && o < c) {
            depth++;
            cursor = o + strlen(open);
        } else if (!c) {
            return count;
        } else {
            if (depth == 1)
                count++;
            depth--;
            cursor = c + strlen(close);
        }
    }
}

Found NaiveFind(const char* text, int a, int b, const char* open, const char* close) {
    if (a < 0 || b < 0) {
        int n = NaiveCount(text, open, close);
        if (!n)
            return {false, 0, 0};
        if (a < 0)
            a += n;
        if (b < 0)
            b += n;
    }
    const char* cursor = text;
    const char* first = nullptr;
    const char* last = nullptr;
    int depth = 0, opened = 0;
    while (opened <= b) {
        const char* o = Next(cursor, open);
        const char* c = Next(cursor, close);
        if (o && c && o < c) {
            if (depth == 0)
                opened++;
            depth++;
            cursor = o + strlen(open);
        } else if (!c) {
            break;
        } else {
            depth--;
            cursor = c + strlen(close);
        }
        if (!first && a < opened)
            first = cursor;
    }
    for (;;) {
        const char* o = Next(cursor, open);
        const char* c = Next(cursor, close);
        if (o && c && o < c) {
            depth++;
            cursor = o + strlen(open);
        } else if (!c) {
            break;
        } else if (depth == 1) {
            last = c - 1;
            break;
        } else {
            depth--;
            cursor = c + strlen(close);
        }
    }
    if (!first)
        return {false, 0, 0};
    int f = static_cast<int>(first - text) - static_cast<int>(strlen(open));
    int l = last ? static_cast<int>(last - text) + static_cast<int>(strlen(close))
                 : static_cast<int>(strlen(text)) - 1;
    return {true, f, l};
}

}  // namespace

TEST_SUITE("String groups") {

TEST_CASE("groups agree with a plain transcription on random texts") {
    const char alphabet[] = "<>{}ab\x83\x95";
    srand(12345);
    for (int round = 0; round < 3000; round++) {
        char text[24];
        int length = rand() % 23;
        for (int i = 0; i < length; i++)
            text[i] = alphabet[rand() % (sizeof alphabet - 1)];
        text[length] = 0;
        String s(text);
        const char* open = round % 2 ? "<" : "{";
        const char* close = round % 2 ? ">" : "}";
        INFO("text: ", std::string(text), " markers ", open, close);
        REQUIRE(s.GroupCount(open, close) == NaiveCount(text, open, close));
        int a = rand() % 7 - 3, b = rand() % 7 - 3;
        int first = 0, last = 0;
        bool found = s.FindGroups(a, b, open, close, first, last);
        Found expected = NaiveFind(text, a, b, open, close);
        INFO("a ", a, " b ", b);
        REQUIRE(found == expected.found);
        if (found) {
            CHECK(first == expected.first);
            CHECK(last == expected.last);
        }
    }
}

}  // TEST_SUITE
