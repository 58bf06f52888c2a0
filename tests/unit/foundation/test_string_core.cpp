// The text type itself, and the character stepping the operations rely on.
#include <doctest.h>

#include "foundation/Multibyte.h"
#include "foundation/String.h"

#include <string.h>
#include <string>

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

static std::string S(const String& s) { return s.Text(); }

TEST_SUITE("String core") {

TEST_CASE("default-constructed string is the empty text, never null") {
    String s;
    REQUIRE(s.Text() != nullptr);
    CHECK(S(s) == "");
    CHECK(s.Length() == 0);
    CHECK(s.IsEmpty());
}

TEST_CASE("construction copies the text") {
    char source[] = "abc";
    String s(source);
    source[0] = 'x';
    CHECK(S(s) == "abc");
    CHECK(s.Text() != source);
    CHECK(s.Length() == 3);
    CHECK(S(String(nullptr)) == "");
}

TEST_CASE("copies are deep") {
    String a("abc");
    String b(a);
    CHECK(a.Text() != b.Text());
    b.Text()[0] = 'x';
    CHECK(S(a) == "abc");
    CHECK(S(b) == "xbc");

    String c;
    c = a;
    CHECK(c.Text() != a.Text());
    CHECK(S(c) == "abc");
    c = c;
    CHECK(S(c) == "abc");
}

TEST_CASE("AllocBuffer") {
    SUBCASE("gives zeroed bytes that read as empty") {
        String s;
        REQUIRE(s.AllocBuffer(260));
        CHECK(S(s) == "");
        for (int i = 0; i < 260; i++)
            REQUIRE(s.Text()[i] == 0);
        strcpy(s.Text(), "C:\\WINDOWS");
        CHECK(S(s) == "C:\\WINDOWS");
    }
    SUBCASE("discards the old content") {
        String s("abc");
        REQUIRE(s.AllocBuffer(10));
        CHECK(S(s) == "");
        for (int i = 0; i < 10; i++)
            REQUIRE(s.Text()[i] == 0);
    }
}

TEST_CASE("Assign") {
    String s("old");
    REQUIRE(s.Assign("new text"));
    CHECK(S(s) == "new text");
    REQUIRE(s.Assign(""));
    CHECK(S(s) == "");

    SUBCASE("from inside its own block gives the tail") {
        String t("abcdef");
        REQUIRE(t.Assign(t.Text() + 2));
        CHECK(S(t) == "cdef");
    }
    SUBCASE("of its own text keeps it") {
        String t("abc");
        REQUIRE(t.Assign(t.Text()));
        CHECK(S(t) == "abc");
    }
}

TEST_CASE("Append") {
    String s("ab");
    REQUIRE(s.Append("cd"));
    CHECK(S(s) == "abcd");
    REQUIRE(s.Append(""));
    CHECK(S(s) == "abcd");

    SUBCASE("of its own text doubles it") {
        String t("ab");
        REQUIRE(t.Append(t.Text()));
        CHECK(S(t) == "abab");
    }
    SUBCASE("to the empty text") {
        String t;
        REQUIRE(t.Append("x"));
        CHECK(S(t) == "x");
    }
}

TEST_CASE("Slice") {
    const char text[] = "abcdef";
    String s;
    SUBCASE("a range includes both ends") {
        CHECK(S(s.Slice(text + 1, text + 3)) == "bcd");
        CHECK(S(s.Slice(text, text + 5)) == "abcdef");
    }
    SUBCASE("one byte") { CHECK(S(s.Slice(text + 2, text + 2)) == "c"); }
    SUBCASE("last just before first gives empty") { CHECK(S(s.Slice(text + 3, text + 2)) == ""); }
    SUBCASE("last well before first gives empty") { CHECK(S(s.Slice(text + 4, text + 1)) == ""); }
    SUBCASE("a range past the terminator stops at it") {
        char buffer[16] = "abc";
        CHECK(S(s.Slice(buffer, buffer + 10)) == "abc");
        CHECK(S(s.Slice(buffer + 1, buffer + 3)) == "bc");
    }
    SUBCASE("reads only the bytes given, not its own content") {
        String owner("zzz");
        CHECK(S(owner.Slice(text, text + 1)) == "ab");
        CHECK(S(owner) == "zzz");
    }
}

TEST_CASE("concatenation leaves both operands unchanged") {
    String a("ab");
    String b("cd");
    String c = a + b;
    CHECK(S(c) == "abcd");
    CHECK(S(a) == "ab");
    CHECK(S(b) == "cd");
    String d = a + "xy";
    CHECK(S(d) == "abxy");
    CHECK(S(a) == "ab");
    CHECK(S(String() + "") == "");
    CHECK(S(a + a) == "abab");
}

#ifdef HAVE_BLOCK_SIZE
TEST_CASE("blocks are exactly as large as their content") {
    String empty;
    CHECK(BlockSize(empty) == 1);
    String s("abc");
    CHECK(BlockSize(s) == 4);
    s.Append("de");
    CHECK(BlockSize(s) == 6);
    s.Assign("x");
    CHECK(BlockSize(s) == 2);
    s.AllocBuffer(260);
    CHECK(BlockSize(s) == 260);
    strcpy(s.Text(), "ab");
    CHECK(BlockSize(s) == 260);
    String copy(s);
    CHECK(BlockSize(copy) == 3);
    CHECK(BlockSize(s + "c") == 4);

    const char text[] = "abcdef";
    CHECK(BlockSize(s.Slice(text, text + 2)) == 4);
    char buffer[16] = "abc";
    CHECK(BlockSize(s.Slice(buffer, buffer + 10)) == 4);
}
#endif

TEST_CASE("EqualsNoCase folds ASCII letters only") {
    CHECK(EqualsNoCase("Updater", "UPDATER"));
    CHECK(EqualsNoCase("", ""));
    CHECK_FALSE(EqualsNoCase("abc", "ab"));
    CHECK_FALSE(EqualsNoCase("ab", "abc"));
    CHECK_FALSE(EqualsNoCase("a", "b"));
    CHECK_FALSE(EqualsNoCase("@", "`"));
    CHECK_FALSE(EqualsNoCase("[", "{"));
    CHECK_FALSE(EqualsNoCase("\xE0", "\xC0"));
    CHECK(String("Copy").EqualsNoCase("cOPY"));
    CHECK_FALSE(String("Copy").EqualsNoCase("Cop"));
    CHECK(String().EqualsNoCase(""));
    CHECK(String().EqualsNoCase(nullptr));
}

}  // TEST_SUITE

TEST_SUITE("Multibyte") {

TEST_CASE("the code page is Shift-JIS") {
    CHECK(IsLeadByte(0x81));
    CHECK(IsLeadByte(0x95));
    CHECK(IsLeadByte(0x9F));
    CHECK(IsLeadByte(0xE0));
    CHECK(IsLeadByte(0xFC));
    CHECK_FALSE(IsLeadByte(0x80));
    CHECK_FALSE(IsLeadByte(0xA0));
    CHECK_FALSE(IsLeadByte(0xB1));
    CHECK_FALSE(IsLeadByte(0xDF));
    CHECK_FALSE(IsLeadByte(0xFD));
    CHECK_FALSE(IsLeadByte('\\'));
    CHECK_FALSE(IsLeadByte(0));
}

TEST_CASE("NextChar") {
    const char text[] = "a\x95\x5C" "b";
    CHECK(NextChar(text) == text + 1);
    CHECK(NextChar(text + 1) == text + 3);
    CHECK(NextChar(text + 3) == text + 4);
    CHECK(NextChar(text + 4) == text + 4);
    SUBCASE("a lead byte before the terminator does not step past it") {
        const char cut[] = "a\x95";
        CHECK(NextChar(cut + 1) == cut + 2);
        CHECK(NextChar(cut + 2) == cut + 2);
    }
    SUBCASE("half-width katakana are single bytes") {
        const char kana[] = "\xB1\x5C";
        CHECK(NextChar(kana) == kana + 1);
    }
}

TEST_CASE("FindText matches only at character boundaries") {
    const char text[] = "\x95\x5C\\x";
    CHECK(FindText(text, "\\") == text + 2);
    CHECK(FindText(text, "x") == text + 3);
    CHECK(FindText(text, "y") == nullptr);
    CHECK(FindText(text, "\x5C\\") == nullptr);
    CHECK(FindText(text, "\x95\x5C") == text);
    CHECK(FindText("", "a") == nullptr);
    CHECK(FindText("abc", "") == nullptr);
    CHECK(FindText("ab", "abc") == nullptr);
    SUBCASE("a pattern of several bytes") {
        const char path[] = "C:\\a\\..\\b";
        CHECK(FindText(path, "\\..") == path + 4);
        CHECK(FindText(path + 5, "\\..") == nullptr);
    }
    SUBCASE("trail bytes 0x7C and 0x7D") {
        const char kana[] = "\x83\x7C\x83\x7D}|";
        CHECK(FindText(kana, "}") == kana + 4);
        CHECK(FindText(kana, "|") == kana + 5);
    }
    SUBCASE("without double-byte characters it is a byte search") {
        const char plain[] = "abcabc";
        CHECK(FindText(plain, "ca") == plain + 2);
        CHECK(FindText(plain + 3, "abc") == plain + 3);
    }
}

TEST_CASE("IsCharBoundary") {
    const char text[] = "a\x95\x5C\x95\x95\x95\x5C\x83\x83\\";
    CHECK(IsCharBoundary(text, text));
    CHECK(IsCharBoundary(text, text + 1));
    CHECK_FALSE(IsCharBoundary(text, text + 2));
    CHECK(IsCharBoundary(text, text + 3));
    CHECK_FALSE(IsCharBoundary(text, text + 4));
    CHECK(IsCharBoundary(text, text + 5));
    CHECK_FALSE(IsCharBoundary(text, text + 6));
    CHECK(IsCharBoundary(text, text + 7));
    CHECK_FALSE(IsCharBoundary(text, text + 8));
    CHECK(IsCharBoundary(text, text + 9));
    SUBCASE("a run of lead-capable bytes from the start") {
        const char run[] = "\x95\x95\x95\x5C";
        CHECK(IsCharBoundary(run, run + 2));
        CHECK_FALSE(IsCharBoundary(run, run + 3));
    }
    SUBCASE("agrees with stepping forward") {
        const char mixed[] = "\x81\x81\x81" "a\x95\xE0\xE0\xFC\\\xB1\x9F\x5C\x9F";
        const char* next = mixed;
        for (const char* p = mixed; *p; p++) {
            bool stepped = p == next;
            if (stepped)
                next = NextChar(p);
            CHECK(IsCharBoundary(mixed, p) == stepped);
        }
    }
}

}  // TEST_SUITE
