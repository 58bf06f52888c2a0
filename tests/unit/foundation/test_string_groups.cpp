// Groups: top-level bracketed pieces, markers included.
#include "tests/unit/Unit.h"

namespace {

// Groups(a, b), and the text after ReplaceGroups(a, b, "Z").
struct GroupRow { const char* text; int a, b; const char* groups; const char* replaced; };

// An open marker with no close marker after it is never counted as opened;
// a close marker at depth 0 drives the depth below 0.
const GroupRow angleRows[] = {
    {"x<a<b>c>y<d>", 0, 0, "<a<b>c>", "xZy<d>"}, {"x<a<b>c>y<d>", 1, 1, "<d>", "x<a<b>c>yZ"},
    {"x<a<b>c>y<d>", 0, 1, "<a<b>c>y<d>", "xZ"}, {"x<a<b>c>y<d>", 1, 5, "<d>", "x<a<b>c>yZ"},
    {"x<a<b>c>y<d>", 2, 2, "", "x<a<b>c>y<d>"}, {"<a><b><c>", 1, 1, "<b>", "<a>Z<c>"},
    {"<a><b><c>", 0, 2, "<a><b><c>", "Z"}, {"<>", 0, 0, "<>", "Z"}, {"<<<a>>>", 0, 0, "<<<a>>>", "Z"},
    {"<Win>\\x", 0, 0, "<Win>", "Z\\x"}, {"x<abc", 0, 0, "", "x<abc"}, {"x<a>y<b", 0, 1, "<a>y<b", "xZ"},
    {"x<a>y<b", 1, 1, "", "x<a>y<b"}, {"<a<b>", 0, 0, "<a<b>", "Z"}, {"<a<b", 0, 0, "", "<a<b"},
    {">a<b>", 0, 0, "", ">a<b>"}, {"x>y<<a>b>", 0, 0, "<a>", "x>y<Zb>"}, {"<a>><b>", 0, 0, "<a>", "Z><b>"},
    {"<a>><b>", 1, 1, "", "<a>><b>"}, {"<a>><b><c>", 1, 1, "", "<a>><b><c>"}, {"<a>><<b>c>", 1, 1, "<b>", "<a>><Zc>"},
    {"x<a<b>c>y<d>", -1, -1, "<d>", "x<a<b>c>yZ"}, {"x<a<b>c>y<d>", -2, -2, "<a<b>c>", "xZy<d>"},
    {"x<a<b>c>y<d>", -2, -1, "<a<b>c>y<d>", "xZ"}, {"x<a<b>c>y<d>", 0, -2, "<a<b>c>", "xZy<d>"},
    {"<a><b><c>", -2, -2, "<b>", "<a>Z<c>"}, {"<a><b><c>", -5, -5, "", "<a><b><c>"}, {"abc", -1, -1, "", "abc"},
    {"", -1, -1, "", ""}, {"", 0, 0, "", ""}, {"<\x95\x5C>", 0, 0, "<\x95\x5C>", "Z"},
};

// Braces of the value functions; 0x83 0x7D ends in "}", 0x83 0x7B in "{".
const GroupRow braceRows[] = {
    {"{?App}\\{?AppPath x}", 1, 1, "{?AppPath x}", "{?App}\\Z"}, {"{a{b}}", 0, 0, "{a{b}}", "Z"},
    {"{?SpFolder \x83\x7D}", 0, 0, "{?SpFolder \x83\x7D}", "Z"}, {"x{\x83\x7D", 0, 0, "", "x{\x83\x7D"},
    {"\x83\x7B{a}", 0, 0, "{a}", "\x83\x7BZ"}, {"{?App}\\bin", 0, 0, "{?App}", "Z\\bin"},
};

struct CountRow { const char* text; const char* open; const char* close; int count; };

const CountRow countRows[] = {
    {"", "<", ">", 0},          {"abc", "<", ">", 0},       {"<a>", "<", ">", 1},       {"<>", "<", ">", 1},
    {"x<a<b>c>y<d>", "<", ">", 2}, {"<a><b><c>", "<", ">", 3}, {"<<<a>>>", "<", ">", 1}, {"x<abc", "<", ">", 0},
    {"x<a>y<b", "<", ">", 1},   {"<a<b>", "<", ">", 0},     {"<a><b", "<", ">", 1},     {">", "<", ">", 0},
    {">a<b>", "<", ">", 0},     {"<a>><b>", "<", ">", 1},   {"<a>><b><c>", "<", ">", 1},
    {"<a>><<b>c>", "<", ">", 2}, {"x>y<<a>b>", "<", ">", 1}, {">><a>", "<", ">", 0},
    {"{?App}\\{?Param 1}", "{", "}", 2}, {"<Win>{?App}", "{", "}", 1}, {"{?SpFolder \x83\x7D}", "{", "}", 1},
    {"\x83\x7B" "a}", "{", "}", 0}, {"{\x83\x7B}\x83\x7D", "{", "}", 1}, {"><<<<a>>", "<<", ">", 1},
};

void CheckGroups(const GroupRow& row, const char* open, const char* close) {
    INFO("row \"" << S(row.text) << "\" " << row.a << " " << row.b);
    CHECK(S(String(row.text).Groups(row.a, row.b, open, close)) == S(row.groups));
    String s(row.text);
    s.ReplaceGroups(row.a, row.b, open, close, "Z");
    CHECK(S(s) == S(row.replaced));
    int first = 0, last = -1;
    if (row.a == 0 && row.b == 0) {
        CHECK(FindFirstGroup(row.text, open, close, first, last) == (*row.groups != 0));
        CHECK(std::string(row.text).substr(first, last - first + 1) == row.groups);
    }
}

} // namespace

TEST_CASE("Groups and ReplaceGroups") {
    for (const GroupRow& row : angleRows)
        CheckGroups(row, "<", ">");
    for (const GroupRow& row : braceRows)
        CheckGroups(row, "{", "}");
}

TEST_CASE("GroupCount") {
    for (const CountRow& row : countRows) {
        INFO("row \"" << S(row.text) << "\" " << S(row.open) << S(row.close));
        CHECK(String(row.text).GroupCount(row.open, row.close) == row.count);
    }
}

TEST_CASE("markers of several bytes; a > b finds nothing") {
    int first, last;
    CHECK_FALSE(String("<a><b>").FindGroups(1, 0, "<", ">", first, last));
    CHECK(S(String("a<<b>>c").Groups(0, 0, "<<", ">>")) == "<<b>>");
    // -3 + 1 stays negative: the first position is taken after the leading close
    // marker; backing over the longer open marker would start before the text.
    CHECK(S(String("><<<<a>>").Groups(-3, 0, "<<", ">")) == "><<<<a>");
    CHECK(S(String("x><<<<a>>").Groups(-3, 0, "<<", ">")) == "x><<<<a>");
}
