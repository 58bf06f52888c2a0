// Words: pieces between single spaces outside double quotes.
#include <doctest.h>

#include "foundation/String.h"

#include <string>

static std::string WordsOf(const char* text, int a, int b) { return String(text).Words(a, b).Text(); }

static int Count(const char* text) { return String(text).WordCount(); }

TEST_SUITE("String words") {

TEST_CASE("WordCount") {
    CHECK(Count("") == 0);
    CHECK(Count("a") == 1);
    CHECK(Count("a b c") == 3);
    CHECK(Count("a \"b c\" d") == 3);
    CHECK(Count("a  b") == 3);
    CHECK(Count(" ") == 2);
    CHECK(Count(" a") == 2);
    CHECK(Count("a ") == 2);
    CHECK(Count("\"a b c\"") == 1);
    CHECK(Count("a\"b c\"d e") == 2);
    CHECK(Count("\"unclosed a b") == 1);
    CHECK(Count("\"\" \"\"") == 2);
    CHECK(Count("a \"  \" b") == 3);
}

TEST_CASE("quoted words") {
    const char line[] = "a \"b c\" d";
    CHECK(WordsOf(line, 0, 0) == "a");
    CHECK(WordsOf(line, 1, 1) == "b c");
    CHECK(WordsOf(line, 1, 2) == "\"b c\" d");
    CHECK(WordsOf(line, 0, 1) == "a \"b c\"");
    CHECK(WordsOf(line, 2, 2) == "d");
    CHECK(WordsOf(line, 0, 2) == line);

    SUBCASE("a range of several words keeps its outer quotes") {
        CHECK(WordsOf("\"a\" \"b\"", 0, 1) == "\"a\" \"b\"");
        CHECK(WordsOf("\"a\" \"b\"", 0, 0) == "a");
        CHECK(WordsOf("x \"a\" \"b\"", 1, -1) == "\"a\" \"b\"");
    }
    SUBCASE("the positions of a single quoted word exclude its quotes") {
        int first = -7, last = -7;
        REQUIRE(String(line).FindWords(1, 1, first, last));
        CHECK(first == 3);
        CHECK(last == 5);
        REQUIRE(String(line).FindWords(1, 2, first, last));
        CHECK(first == 2);
        CHECK(last == 8);
    }
    SUBCASE("a program path in quotes") {
        const char command[] = "\"C:\\Program Files\\app.exe\" /t Title";
        CHECK(Count(command) == 3);
        CHECK(WordsOf(command, 0, 0) == "C:\\Program Files\\app.exe");
        CHECK(WordsOf(command, 1, -1) == "/t Title");
    }
    SUBCASE("quotes inside a word stay") {
        CHECK(WordsOf("a\"b c\"d e", 0, 0) == "a\"b c\"d");
        CHECK(WordsOf("\"b c\"d e", 0, 0) == "\"b c\"d");
        CHECK(WordsOf("x a\"b\" y", 1, 1) == "a\"b\"");
        CHECK(WordsOf("x \"a\"b\"", 1, 1) == "a\"b");
        // Three quotes before it: the last space is quoted and joins y.
        CHECK(WordsOf("x \"a\"b\" y", 1, 1) == "\"a\"b\" y");
    }
    SUBCASE("a word made of a single quote gives the empty text") {
        CHECK(WordsOf("\"", 0, 0) == "");
        CHECK(WordsOf("a \"", 1, 1) == "");
        CHECK(WordsOf("a \"", 0, 1) == "a \"");
    }
    SUBCASE("an empty quoted word") {
        CHECK(WordsOf("\"\" x", 0, 0) == "");
        CHECK(WordsOf("\"\" x", 1, 1) == "x");
    }
    SUBCASE("an unclosed quote runs to the end") {
        CHECK(WordsOf("a \"b c d", 1, 1) == "\"b c d");
        CHECK(WordsOf("a \"b c d", 2, 2) == "");
    }
    SUBCASE("the quote test compares bytes: 0x22 is never a trail byte") {
        CHECK(Count("\x82\xA0\" \"") == 1);
    }
}

TEST_CASE("empty words") {
    CHECK(WordsOf("a  b", 1, 1) == "");
    CHECK(WordsOf("a  b", 2, 2) == "b");
    CHECK(WordsOf("a  b", 0, 2) == "a  b");
    CHECK(WordsOf(" a", 0, 0) == "");
    CHECK(WordsOf(" a", 1, 1) == "a");
    CHECK(WordsOf("a ", 1, 1) == "");
    CHECK(WordsOf("a ", 0, 0) == "a");

    int first = -7, last = -7;
    SUBCASE("a leading empty word") {
        REQUIRE(String(" a").FindWords(0, 0, first, last));
        CHECK(first == 0);
        CHECK(last == -1);
    }
    SUBCASE("a trailing empty word") {
        REQUIRE(String("a ").FindWords(1, 1, first, last));
        CHECK(first == 2);
        CHECK(last == 1);
    }
    SUBCASE("word 0 of the empty text is found and empty") {
        REQUIRE(String("").FindWords(0, 0, first, last));
        CHECK(first == 0);
        CHECK(last == -1);
    }
}

TEST_CASE("indexes out of range and negative") {
    int first, last;
    CHECK_FALSE(String("a b").FindWords(2, 2, first, last));
    CHECK_FALSE(String("a b").FindWords(5, 9, first, last));
    CHECK_FALSE(String("a b c").FindWords(2, 1, first, last));
    CHECK_FALSE(String("").FindWords(-1, -1, first, last));
    CHECK(WordsOf("a b", 2, 2) == "");
    CHECK(WordsOf("a b", 1, 9) == "b");

    CHECK(WordsOf("a b c", -1, -1) == "c");
    CHECK(WordsOf("a b c", -2, -1) == "b c");
    CHECK(WordsOf("a b c", 0, -2) == "a b");
    CHECK(WordsOf("a \"b c\"", -1, -1) == "b c");
    CHECK(WordsOf("a b c", -4, -4) == "");
    CHECK(WordsOf("a b c", 0, -4) == "");
    CHECK(WordsOf("", -1, -1) == "");
}

TEST_CASE("Shift-JIS characters") {
    // The ideographic space 0x81 0x40 does not separate.
    CHECK(Count("a\x81\x40" "b") == 1);
    CHECK(WordsOf("\x95\x5C \x83\x5C", 1, 1) == "\x83\x5C");
    CHECK(WordsOf("\"\x95\x5C \x83\x7D\" x", 0, 0) == "\x95\x5C \x83\x7D");
    // A lead byte takes the byte after it along, even a space.
    CHECK(Count("x\x81 y") == 1);
}

}  // TEST_SUITE
