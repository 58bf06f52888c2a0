// Items: pieces between occurrences of a separator. One row per case.
#include "tests/unit/Unit.h"

#include "foundation/String.h"

namespace {

// Items(a, b), and the text after ReplaceItems(a, b, "X").
struct ItemRow { const char* text; int a, b; const char* separator; const char* items; const char* replaced; };

// Path components, lines of name=value, dates and a separator of several
// bytes are the shapes the program uses.
const ItemRow itemRows[] = {
    {"a,,c", 1, 1, ",", "", "a,X,c"}, {"a,,c", 2, 2, ",", "c", "a,,X"}, {"a,b,c", 0, 0, ",", "a", "X,b,c"},
    {"a,b,c", 2, 2, ",", "c", "a,b,X"}, {"a,b,c", 0, 2, ",", "a,b,c", "X"}, {"abc", 0, 0, ",", "abc", "X"},
    {"", 0, 0, ",", "", "X"}, {" x , y ", 1, 1, ",", " y ", " x ,X"},
    {"C:\\dir\\file.txt", -1, -1, "\\", "file.txt", "C:\\dir\\X"},
    {"C:\\dir\\file.txt", 0, -2, "\\", "C:\\dir", "X\\file.txt"}, {"C:\\file.txt", 0, -2, "\\", "C:", "X\\file.txt"},
    // One item: b becomes -1, which no separator can end, so the range runs to the end.
    {"file.txt", 0, -2, "\\", "file.txt", "X"}, {"C:\\dir\\", -1, -1, "\\", "", "C:\\dir\\X"},
    {"a,b", 3, 3, ",", "", "a,b"}, {"a,b", 2, 2, ",", "", "a,b"}, {"a,b,c", 2, 1, ",", "", "a,b,c"},
    {"a,b,c,d", 1, 2, ",", "b,c", "a,X,d"}, {"a,b,c,d", 1, 9, ",", "b,c,d", "a,X"},
    {"a,b,c,d", 0, -1, ",", "a,b,c,d", "X"}, {",a,", 0, 0, ",", "", "X,a,"}, {",a,", 1, 1, ",", "a", ",X,"},
    {",a,", 2, 2, ",", "", ",a,X"}, {",a,", -1, -1, ",", "", ",a,X"}, {",a,", 0, 2, ",", ",a,", "X"},
    {"A=1\nB=two=2\nC=", 1, 1, "\n", "B=two=2", "A=1\nX\nC="}, {"B=two=2", 1, 1, "=", "two", "B=X=2"},
    {"C=", 1, 1, "=", "", "C=X"}, {"2004/05/06", 1, 1, "/", "05", "2004/X/06"},
    {"2004/05/06", -1, -1, "/", "06", "2004/05/X"}, {"C:\\a\\..\\b", 0, 0, "\\..", "C:\\a", "X\\..\\b"},
    {"C:\\a\\..\\b", 1, 1, "\\..", "\\b", "C:\\a\\..X"}, {"\\..\\..", 1, 1, "\\..", "", "\\..X\\.."},
    {"a\\...b", 1, 1, "\\..", ".b", "a\\..X"}, {"a,b,c", -1, -1, ",", "c", "a,b,X"},
    {"a,b,c", -2, -2, ",", "b", "a,X,c"}, {"a,b,c", -3, -3, ",", "a", "X,b,c"}, {"a,b,c", -2, -1, ",", "b,c", "a,X"},
    {"a,b,c", 1, -1, ",", "b,c", "a,X"}, {"a,b,c", -1, -2, ",", "", "a,b,c"}, {"", -1, -1, ",", "", ""},
    {"abc", -1, -1, ",", "abc", "X"},
    // The count is added once only: -4 + 3 stays negative, so the first item
    // starts after the first separator and a last index below 0 stops there.
    {"a,b,c", -4, -4, ",", "", "a,b,c"}, {"a,b,c", 0, -4, ",", "a", "X,b,c"}, {"a,b,c", -4, 1, ",", "b", "a,X,c"},
    {"a,b,c", -4, 2, ",", "b,c", "a,X"},
    // Shift-JIS: 0x95 0x5C and 0x83 0x5C end in the backslash byte, 0x83 0x7C in "|".
    {"C:\\\x95\x5C\\\x83\x5C\\file", 1, 1, "\\", "\x95\x5C", "C:\\X\\\x83\x5C\\file"},
    {"C:\\\x95\x5C\\\x83\x5C\\file", 2, 2, "\\", "\x83\x5C", "C:\\\x95\x5C\\X\\file"},
    {"C:\\\x95\x5C\\\x83\x5C\\file", 0, -2, "\\", "C:\\\x95\x5C\\\x83\x5C", "X\\file"},
    {"C:\\\x95\x5C", -1, -1, "\\", "\x95\x5C", "C:\\X"}, {"C:\\\x95\x5C", 0, -2, "\\", "C:", "X\\\x95\x5C"},
    {"\x83\x7C|\x83\x7C", 1, 1, "|", "\x83\x7C", "\x83\x7C|X"},
    {"\x82\xA0,\x82\xA2", 1, 1, ",", "\x82\xA2", "\x82\xA0,X"},
    // The extension of the program's path.
    {"C:\\app\\setup.exe", -1, -1, ".", "exe", "C:\\app\\setup.X"},
    {"C:\\app.d\\setup", -1, -1, ".", "d\\setup", "C:\\app.X"},
    {"C:\\app\\setup.", -1, -1, ".", "", "C:\\app\\setup.X"},
    {"C:\\app\\a.b.exe", -1, -1, ".", "exe", "C:\\app\\a.b.X"},
};

struct CountRow { const char* text; const char* separator; int items; };

const CountRow countRows[] = {
    {"", ",", 0}, {"abc", ",", 1}, {"a,b,c", ",", 3}, {"a,,c", ",", 3}, {",", ",", 2}, {",a,", ",", 3},
    {" ", ",", 1}, {"C:\\dir\\file.txt", "\\", 3}, {"a\\..\\..\\b", "\\..", 3}, {"a\\...b", "\\..", 2},
    {"C:\\\x95\x5C\\\x83\x5C\\file", "\\", 4}, {"C:\\\x95\x5C", "\\", 2}, {"\x83\x7C|\x83\x7C", "|", 2},
};

struct PositionRow { const char* text; int a, b; bool found; int first, last; };

// An empty item ends just before it starts.
const PositionRow positionRows[] = {
    {"a,bc,d", 1, 1, true, 2, 3}, {"a,bc,d", 0, 2, true, 0, 5}, {"a,,c", 1, 1, true, 2, 1},
    {",a", 0, 0, true, 0, -1},    {"a,", 1, 1, true, 2, 1},     {"", 0, 0, true, 0, -1},
    {"a,bc,d", 3, 3, false, 0, 0}, {"a,bc,d", 2, 1, false, 0, 0}, {"", -1, -1, false, 0, 0},
};

} // namespace

TEST_CASE("Items, Item and ReplaceItems") {
    for (const ItemRow& row : itemRows) {
        INFO("row \"" << S(row.text) << "\" " << row.a << " " << row.b << " \"" << S(row.separator) << "\"");
        CHECK(S(String(row.text).Items(row.a, row.b, row.separator)) == S(row.items));
        if (row.a == row.b)
            CHECK(S(String(row.text).Item(row.a, row.separator)) == S(row.items));
        String replaced(row.text);
        replaced.ReplaceItems(row.a, row.b, row.separator, "X");
        CHECK(S(replaced) == S(row.replaced));
    }
}

TEST_CASE("ItemCount") {
    for (const CountRow& row : countRows) {
        INFO("row \"" << S(row.text) << "\" \"" << S(row.separator) << "\"");
        CHECK(String(row.text).ItemCount(row.separator) == row.items);
    }
}

TEST_CASE("FindItems positions") {
    for (const PositionRow& row : positionRows) {
        INFO("row \"" << S(row.text) << "\" " << row.a << " " << row.b);
        int first = -7, last = -7;
        REQUIRE(String(row.text).FindItems(row.a, row.b, ",", first, last) == row.found);
        if (row.found) {
            CHECK(first == row.first);
            CHECK(last == row.last);
        }
    }
}
