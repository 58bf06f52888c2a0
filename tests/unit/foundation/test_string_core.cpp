// The text type itself, and the character stepping the operations rely on.
#include "tests/unit/Unit.h"

#include "foundation/Multibyte.h"

#include <string.h>

#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
#include <malloc.h>
#define HAVE_BLOCK_SIZE 1
// The allocators of both test builds report the size that was asked for.
static size_t BlockSize(const String& s) {
#if defined(_WIN32)
    return _msize(s.Text());
#else
    return malloc_usable_size(s.Text());
#endif
}
#endif

TEST_CASE("construction, copies and assignment are deep") {
    char source[] = "abc";
    String s(source), empty, null(nullptr);
    source[0] = 'x';
    CHECK(S(s) == "abc");
    REQUIRE(empty.Text() != nullptr);
    CHECK((S(empty) == "" && empty.Length() == 0 && empty.IsEmpty() && S(null) == ""));
    String b(s), c;
    c = s;
    b.Text()[0] = 'x';
    CHECK((S(s) == "abc" && S(b) == "xbc" && S(c) == "abc" && c.Text() != s.Text()));
    c = c;
    CHECK(S(c) == "abc");
    String d = s + b;
    CHECK((S(d) == "abcxbc" && S(s) == "abc" && S(s + "xy") == "abcxy" && S(s + s) == "abcabc"));
}

TEST_CASE("AllocBuffer gives zeroed bytes and discards the old content") {
    String s("abc");
    REQUIRE(s.AllocBuffer(260));
    CHECK(S(s) == "");
    for (int i = 0; i < 260; i++)
        REQUIRE(s.Text()[i] == 0);
}

TEST_CASE("Assign and Append, also of the string's own text") {
    String s("abcdef");
    REQUIRE(s.Assign(s.Text() + 2));
    CHECK(S(s) == "cdef");
    REQUIRE(s.Assign(s.Text()));
    CHECK(S(s) == "cdef");
    REQUIRE(s.Append(s.Text()));
    CHECK(S(s) == "cdefcdef");
    REQUIRE((s.Assign("") && s.Append("x") && s.Append("")));
    CHECK(S(s) == "x");
}

TEST_CASE("Slice includes both ends and stops at the terminator") {
    const char text[] = "abcdef";
    char buffer[16] = "abc";
    struct Row { const char* first; const char* last; const char* result; } rows[] = {
        {text + 1, text + 3, "bcd"}, {text, text + 5, "abcdef"}, {text + 2, text + 2, "c"},
        {text + 3, text + 2, ""},    {text + 4, text + 1, ""},   {buffer, buffer + 10, "abc"},
        {buffer + 1, buffer + 3, "bc"},
    };
    String owner("zzz");
    for (const Row& row : rows) {
        INFO("row " << (row.first - text) << " " << (row.last - text));
        CHECK(S(owner.Slice(row.first, row.last)) == S(row.result));
    }
    CHECK(S(owner) == "zzz");
}

#ifdef HAVE_BLOCK_SIZE
TEST_CASE("blocks are exactly as large as their content") {
    String s("abc"), empty;
    CHECK((BlockSize(empty) == 1 && BlockSize(s) == 4));
    s.Append("de");
    CHECK(BlockSize(s) == 6);
    s.Assign("x");
    CHECK(BlockSize(s) == 2);
    s.AllocBuffer(260);
    strcpy(s.Text(), "ab");
    CHECK((BlockSize(s) == 260 && BlockSize(String(s)) == 3 && BlockSize(s + "c") == 4));
    char buffer[16] = "abc";
    CHECK(BlockSize(s.Slice(buffer, buffer + 10)) == 4);
}
#endif

TEST_CASE("EqualsNoCase folds ASCII letters only") {
    struct Row { const char* a; const char* b; bool equal; } rows[] = {
        {"Updater", "UPDATER", true}, {"", "", true},     {"abc", "ab", false}, {"ab", "abc", false},
        {"a", "b", false},            {"@", "`", false},  {"[", "{", false},    {"\xE0", "\xC0", false},
        {"az", "AZ", true},           {"zZ", "Zz", true}, {"y", "Z", false},    {"Copy", "cOPY", true},
    };
    for (const Row& row : rows) {
        INFO("row \"" << S(row.a) << "\" \"" << S(row.b) << "\"");
        CHECK(EqualsNoCase(row.a, row.b) == row.equal);
        CHECK(String(row.a).EqualsNoCase(row.b) == row.equal);
    }
    CHECK(String().EqualsNoCase(nullptr));
}

// Trail bytes at the level of each operation are in their rows; here the
// pairing of lead-capable bytes itself.
TEST_CASE("IsCharBoundary, and one BoundaryTest walking forward, agree with stepping forward") {
    const char* texts[] = {"a\x95\x5C\x95\x95\x95\x5C\x83\x83\\", "\x95\x95\x95\x5C",
                           "\x81\x81\x81" "a\x95\xE0\xE0\xFC\\\xB1\x9F\x5C\x9F"};
    for (const char* text : texts) {
        const char* next = text;
        BoundaryTest walk(text);
        for (const char* p = text; *p; p++) {
            bool stepped = p == next;
            if (stepped)
                next = NextChar(p);
            INFO("\"" << S(text) << "\" at " << (p - text));
            CHECK(IsCharBoundary(text, p) == stepped);
            CHECK(walk.At(p) == stepped);
        }
    }
}
