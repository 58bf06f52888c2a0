// Words: pieces between single spaces outside double quotes.
#include "tests/unit/Unit.h"

#include "foundation/Cursors.h"

namespace {

struct WordRow { const char* text; int a, b; const char* words; };

// A single quoted word comes without its quotes, a range keeps them; quotes
// inside a word stay; an unclosed quote runs to the end.
const WordRow wordRows[] = {
    {"a \"b c\" d", 0, 0, "a"},         {"a \"b c\" d", 1, 1, "b c"},      {"a \"b c\" d", 1, 2, "\"b c\" d"},
    {"a \"b c\" d", 0, 1, "a \"b c\""}, {"a \"b c\" d", 2, 2, "d"},        {"\"a\" \"b\"", 0, 1, "\"a\" \"b\""},
    {"x \"a\" \"b\"", 1, -1, "\"a\" \"b\""}, {"\"C:\\Program Files\\app.exe\" /t", 0, 0, "C:\\Program Files\\app.exe"},
    {"a\"b c\"d e", 0, 0, "a\"b c\"d"}, {"\"b c\"d e", 0, 0, "\"b c\"d"},  {"x \"a\"b\"", 1, 1, "a\"b"},
    // Three quotes before it: the last space is quoted and joins y.
    {"x \"a\"b\" y", 1, 1, "\"a\"b\" y"},
    {"\"", 0, 0, ""},                   {"a \"", 0, 1, "a \""},            {"\"\" x", 0, 0, ""},
    {"\"\" x", 1, 1, "x"},              {"a \"b c d", 1, 1, "\"b c d"},    {"a \"b c d", 2, 2, ""},
    {"a  b", 1, 1, ""},                 {"a  b", 2, 2, "b"},               {" a", 0, 0, ""},
    {"a ", 1, 1, ""},                   {"a b", 2, 2, ""},                 {"a b", 1, 9, "b"},
    {"a b c", -2, -1, "b c"},           {"a b c", 0, -2, "a b"},           {"a \"b c\"", -1, -1, "b c"},
    {"a b c", -4, -4, ""},              {"a b c", 0, -4, ""},              {"", -1, -1, ""},
    // Shift-JIS: a trail byte is never a space or a quote.
    {"\x95\x5C \x83\x5C", 1, 1, "\x83\x5C"}, {"\"\x95\x5C \x83\x7D\" x", 0, 0, "\x95\x5C \x83\x7D"},
};

struct CountRow { const char* text; int count; };

// The ideographic space 0x81 0x40 does not separate; a lead byte takes the
// byte after it along, even a space; 0x22 is never a trail byte.
const CountRow countRows[] = {
    {"", 0},           {"a", 1},           {"a \"b c\" d", 3}, {"a  b", 3},       {" ", 2},
    {"\"a b c\"", 1},  {"a\"b c\"d e", 2}, {"\"unclosed a b", 1}, {"\"\" \"\"", 2}, {"a \"  \" b", 3},
    {"a\x81\x40" "b", 1}, {"x\x81 y", 1},  {"\x82\xA0\" \"", 1},
};

} // namespace

TEST_CASE("Words, and WordCursor after the word before") {
    for (const WordRow& row : wordRows) {
        INFO("row \"" << S(row.text) << "\" " << row.a << " " << row.b);
        const String text(row.text);
        CHECK(S(text.Words(row.a, row.b)) == S(row.words));
        if (row.a == row.b && row.a >= 0) {
            WordCursor cursor(text);
            if (row.a > 0)
                cursor.Word(row.a - 1);
            CHECK(S(cursor.Word(row.a)) == S(row.words));
        }
    }
}

TEST_CASE("WordCount") {
    for (const CountRow& row : countRows) {
        INFO("row \"" << S(row.text) << "\"");
        CHECK(String(row.text).WordCount() == row.count);
    }
}
