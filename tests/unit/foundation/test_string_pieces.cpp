// Items, words and groups: the pieces of a text, counted from either end.
#include "tests/unit/Unit.h"

#include "foundation/Cursors.h"

// Items(a, b), and the text after ReplaceItems(a, b, "X"). Path components, the
// extension and a separator of several bytes are the shapes the program uses.
TEST_CASE("Items, Item, ItemCursor and ReplaceItems") {
    const struct { const char* text; int a, b; const char *separator, *items, *replaced; } rows[] = {
        {"a,,c", 1, 1, ",", "", "a,X,c"}, {"a,b,c", 0, 0, ",", "a", "X,b,c"}, {"a,b,c", 2, 2, ",", "c", "a,b,X"},
        {"a,b,c", 0, 2, ",", "a,b,c", "X"}, {"abc", 0, 0, ",", "abc", "X"}, {"", 0, 0, ",", "", "X"},
        {" x , y ", 1, 1, ",", " y ", " x ,X"}, {"C:\\dir\\file.txt", 0, -2, "\\", "C:\\dir", "X\\file.txt"},
        // One item: b becomes -1, which no separator can end, so the range runs to the end.
        {"file.txt", 0, -2, "\\", "file.txt", "X"}, {"C:\\dir\\", -1, -1, "\\", "", "C:\\dir\\X"},
        {"a,b", 2, 2, ",", "", "a,b"}, {"a,b,c", 2, 1, ",", "", "a,b,c"}, {"a,b,c,d", 1, 2, ",", "b,c", "a,X,d"},
        {"a,b,c,d", 1, 9, ",", "b,c,d", "a,X"}, {",a,", 0, 0, ",", "", "X,a,"}, {",a,", 2, 2, ",", "", ",a,X"},
        {"C:\\a\\..\\b", 1, 1, "\\..", "\\b", "C:\\a\\..X"}, {"\\..\\..", 1, 1, "\\..", "", "\\..X\\.."},
        {"a\\...b", 1, 1, "\\..", ".b", "a\\..X"}, {"a,b,c", -1, -1, ",", "c", "a,b,X"},
        {"a,b,c", -3, -3, ",", "a", "X,b,c"}, {"a,b,c", -2, -1, ",", "b,c", "a,X"}, {"a,b,c", -1, -2, ",", "", "a,b,c"},
        {"", -1, -1, ",", "", ""},
        // The count is added once only: -4 + 3 stays negative, so the first item
        // starts after the first separator and a last index below 0 stops there.
        {"a,b,c", -4, -4, ",", "", "a,b,c"}, {"a,b,c", 0, -4, ",", "a", "X,b,c"}, {"a,b,c", -4, 1, ",", "b", "a,X,c"},
        // Shift-JIS: 0x95 0x5C and 0x83 0x5C end in the backslash byte, 0x83 0x7C in "|".
        {"C:\\\x95\x5C\\\x83\x5C\\file", 1, 1, "\\", "\x95\x5C", "C:\\X\\\x83\x5C\\file"},
        {"C:\\\x95\x5C\\\x83\x5C\\file", 2, 2, "\\", "\x83\x5C", "C:\\\x95\x5C\\X\\file"},
        {"C:\\\x95\x5C\\\x83\x5C\\file", 0, -2, "\\", "C:\\\x95\x5C\\\x83\x5C", "X\\file"},
        {"C:\\\x95\x5C", -1, -1, "\\", "\x95\x5C", "C:\\X"}, {"C:\\\x95\x5C", 0, -2, "\\", "C:", "X\\\x95\x5C"},
        {"\x83\x7C|\x83\x7C", 1, 1, "|", "\x83\x7C", "\x83\x7C|X"},
        {"C:\\a.d\\setup", -1, -1, ".", "d\\setup", "C:\\a.X"}, {"C:\\a\\setup.", -1, -1, ".", "", "C:\\a\\setup.X"},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.text) << "\" " << row.a << " " << row.b << " \"" << S(row.separator) << "\"");
        const String text(row.text);
        CHECK(S(text.Items(row.a, row.b, row.separator)) == S(row.items));
        if (row.a == row.b)
            CHECK(S(text.Item(row.a, row.separator)) == S(row.items));
        if (row.a == row.b && row.a >= 0) {
            ItemCursor cursor(text, row.separator);
            for (int i = 0; i < row.a; i++)
                cursor.Next();
            CHECK(S(cursor.Next()) == S(row.items));
        }
        String replaced(row.text);
        replaced.ReplaceItems(row.a, row.b, row.separator, "X");
        CHECK(S(replaced) == S(row.replaced));
    }
}

// A single quoted word comes without its quotes, a range keeps them; quotes
// inside a word stay; an unclosed quote runs to the end.
TEST_CASE("Words, and WordCursor after the word before") {
    const struct { const char* text; int a, b; const char* words; } rows[] = {
        {"a \"b c\" d", 0, 0, "a"},         {"a \"b c\" d", 1, 1, "b c"},      {"a \"b c\" d", 1, 2, "\"b c\" d"},
        {"a \"b c\" d", 0, 1, "a \"b c\""}, {"a \"b c\" d", 2, 2, "d"},        {"\"a\" \"b\"", 0, 1, "\"a\" \"b\""},
        {"x \"a\" \"b\"", 1, -1, "\"a\" \"b\""}, {"\"C:\\Program Files\\a\" /t", 0, 0, "C:\\Program Files\\a"},
        {"a\"b c\"d e", 0, 0, "a\"b c\"d"}, {"\"b c\"d e", 0, 0, "\"b c\"d"},  {"x \"a\"b\"", 1, 1, "a\"b"},
        // Three quotes before it: the last space is quoted and joins y.
        {"x \"a\"b\" y", 1, 1, "\"a\"b\" y"},
        {"\"", 0, 0, ""}, {"a \"", 0, 1, "a \""}, {"\"\" x", 0, 0, ""}, {"\"\" x", 1, 1, "x"}, {"a \"b c d", 1, 1, "\"b c d"},
        {"a \"b c d", 2, 2, ""}, {"a  b", 1, 1, ""}, {"a  b", 2, 2, "b"}, {" a", 0, 0, ""}, {"a ", 1, 1, ""}, {"a b", 2, 2, ""},
        {"a b", 1, 9, "b"}, {"a b c", -2, -1, "b c"}, {"a b c", 0, -2, "a b"}, {"a \"b c\"", -1, -1, "b c"},
        {"a b c", -4, -4, ""}, {"a b c", 0, -4, ""}, {"", -1, -1, ""},
        // Shift-JIS: a trail byte is never a space or a quote.
        {"\x95\x5C \x83\x5C", 1, 1, "\x83\x5C"}, {"\"\x95\x5C \x83\x7D\" x", 0, 0, "\x95\x5C \x83\x7D"},
    };
    for (const auto& row : rows) {
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

// Groups(a, b, open, close), and the text after ReplaceGroups(a, b, "Z"). An
// open marker with no close marker after it is never counted as opened; a
// close marker at depth 0 drives the depth below 0.
TEST_CASE("Groups, FindFirstGroup and ReplaceGroups") {
    const struct { const char* text; int a, b; const char *groups, *replaced, *open = "<", *close = ">"; } rows[] = {
        {"x<a<b>c>y<d>", 0, 0, "<a<b>c>", "xZy<d>"}, {"x<a<b>c>y<d>", 1, 1, "<d>", "x<a<b>c>yZ"},
        {"x<a<b>c>y<d>", 0, 1, "<a<b>c>y<d>", "xZ"}, {"x<a<b>c>y<d>", 1, 5, "<d>", "x<a<b>c>yZ"},
        {"x<a<b>c>y<d>", 2, 2, "", "x<a<b>c>y<d>"}, {"<a><b><c>", 2, 1, "", "<a><b><c>"}, {"<>", 0, 0, "<>", "Z"},
        {"<<<a>>>", 0, 0, "<<<a>>>", "Z"}, {"x<abc", 0, 0, "", "x<abc"}, {"x<a>y<b", 0, 1, "<a>y<b", "xZ"},
        {"x<a>y<b", 1, 1, "", "x<a>y<b"}, {"<a<b>", 0, 0, "<a<b>", "Z"}, {"<a<b", 0, 0, "", "<a<b"},
        {">a<b>", 0, 0, "", ">a<b>"}, {"x>y<<a>b>", 0, 0, "<a>", "x>y<Zb>"}, {"<a>><b>", 1, 1, "", "<a>><b>"},
        {"<a>><<b>c>", 1, 1, "<b>", "<a>><Zc>"}, {"x<a<b>c>y<d>", -1, -1, "<d>", "x<a<b>c>yZ"},
        {"x<a<b>c>y<d>", -2, -2, "<a<b>c>", "xZy<d>"}, {"x<a<b>c>y<d>", 0, -2, "<a<b>c>", "xZy<d>"},
        {"<a><b><c>", -5, -5, "", "<a><b><c>"}, {">a<b>", -1, 0, "", ">a<b>"}, {"", 0, 0, "", ""},
        {"<\x95\x5C>", 0, 0, "<\x95\x5C>", "Z"}, {"a<<b>>c", 0, 0, "<<b>>", "aZc", "<<", ">>"},
        // -3 + 1 stays negative: the first position is taken after the leading close
        // marker; backing over the longer open marker would start before the text.
        {"><<<<a>>", -3, 0, "><<<<a>", "Z>", "<<", ">"}, {"x><<<<a>>", -3, 0, "x><<<<a>", "Z>", "<<", ">"},
        // Braces of the value functions; 0x83 0x7D ends in "}", 0x83 0x7B in "{".
        {"{?App}\\{?Path x}", 1, 1, "{?Path x}", "{?App}\\Z", "{", "}"}, {"{a{b}}", 0, 0, "{a{b}}", "Z", "{", "}"},
        {"{?SpFolder \x83\x7D}", 0, 0, "{?SpFolder \x83\x7D}", "Z", "{", "}"},
        {"x{\x83\x7D", 0, 0, "", "x{\x83\x7D", "{", "}"}, {"\x83\x7B{a}", 0, 0, "{a}", "\x83\x7BZ", "{", "}"},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.text) << "\" " << row.a << " " << row.b << " " << row.open << row.close);
        CHECK(S(String(row.text).Groups(row.a, row.b, row.open, row.close)) == S(row.groups));
        String s(row.text);
        s.ReplaceGroups(row.a, row.b, row.open, row.close, "Z");
        CHECK(S(s) == S(row.replaced));
        int first = 0, last = -1;
        if (row.a == 0 && row.b == 0) {
            CHECK(FindFirstGroup(row.text, row.open, row.close, first, last) == (*row.groups != 0));
            CHECK(std::string(row.text).substr(first, last - first + 1) == row.groups);
            CHECK(last < static_cast<int>(std::string(row.text).size())); // an unclosed group ends at the end
        }
    }
}
