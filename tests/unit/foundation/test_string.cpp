// The text type, the character stepping its operations rely on, replacing, trimming and the directory of a path;
// the block of bytes.
#include <string.h>

#include "tests/unit/Unit.h"
#include "foundation/ByteBuffer.h"
#include "foundation/Multibyte.h"

// Each source may be the string's own text; AllocBuffer zeroes; Slice takes both ends and stops at a zero.
TEST_CASE("copies, Assign, Append and Slice are deep and take their own text") {
    String s("abc"), b(s), null(nullptr);
    b.Text()[0] = 'x';
    CHECK((S(s) == "abc" && S(b) == "xbc" && S(null) == "" && S(s + b) == "abcxbc" && S(s + s) == "abcabc"));
    b = b;
    CHECK((S(b) == "xbc" && b.AllocBuffer(260) && std::string(b.Text(), 260) == std::string(260, '\0')));
    REQUIRE((s.Assign("abcdef") && s.Assign(s.Text() + 2) && S(s) == "cdef" && s.Assign(s.Text()) && S(s) == "cdef"));
    REQUIRE((s.Append(s.Text()) && S(s) == "cdefcdef"));
    const char text[16] = "abcdef";
    CHECK((S(s.Slice(text + 1, text + 3)) == "bcd" && S(s.Slice(text + 3, text + 2)) == ""));
    CHECK((S(s.Slice(text + 5, text + 5)) == "f" && S(s.Slice(text, text + 10)) == "abcdef"));
}

// Never the trail byte of a double-byte character: 83 41 is not 83 61.
TEST_CASE("EqualsNoCase folds ASCII letters only") {
    struct Row { const char* a; const char* b; bool equal; } rows[] = {
        {"Updater", "UPDATER", true}, {"", "", true}, {"abc", "ab", false}, {"ab", "abc", false}, {"@", "`", false},
        {"[", "{", false}, {"\xE0", "\xC0", false}, {"az", "AZ", true}, {"zZ", "Zz", true}, {"y", "Z", false},
        {"\x83\x41", "\x83\x61", false}, {"\x83\x41" "a\x83", "\x83\x41" "A\x83", true}, {"\x83", "\x83\x61", false},
    };
    for (const Row& row : rows) {
        INFO("row \"" << S(row.a) << "\" \"" << S(row.b) << "\"");
        CHECK((EqualsNoCase(row.a, row.b) == row.equal && String(row.a).EqualsNoCase(row.b) == row.equal));
        String a(row.a), b(row.b);
        a.FoldCase();
        b.FoldCase();
        CHECK((strcmp(a.Text(), b.Text()) == 0) == row.equal);
    }
    CHECK((String().EqualsNoCase(nullptr) && !EqualsNoCase("\x83\x41", "\x83\x61", 2)));
    CHECK(EqualsNoCase("a\x83\x41", "A\x83\x41", 3));
}

// Trail bytes at the level of each operation are in their rows; here the pairing of lead-capable bytes itself.
TEST_CASE("IsCharBoundary, and one BoundaryTest walking forward, agree with stepping forward") {
    const char* texts[] = {"a\x95\x5C\x95\x95\x95\x5C\x83\x83\\", "\x95\x95\x95\x5C",
                           "\x81\x81\x81" "a\x95\xE0\xE0\xFC\\\xB1\x9F\x5C\x9F"};
    for (const char* text : texts) {
        const char* next = text;
        BoundaryTest walk(text);
        for (const char* p = text; *p; p++) {
            bool stepped = p == next;
            next = stepped ? NextChar(p) : next;
            INFO("\"" << S(text) << "\" at " << (p - text));
            CHECK((IsCharBoundary(text, p) == stepped && walk.At(p) == stepped));
        }
    }
}

// A null pattern or text is taken from the string's own block at the row's offset: each replacement frees the
// block it points into. What a replacement joins is searched again: one pass would leave "%%n" (or "%n" where the
// replacement is empty).
TEST_CASE("ReplaceAll") {
    const struct { const char *text, *pattern, *with; bool replaced; const char* result; int at[2]; } rows[] = {
        {"a%nb%nc%n", "%n", "\n", true, "a\nb\nc\n"}, {"no markers %t here", "%n", "\n", false, "no markers %t here"},
        {"", "%n", "\n", false, ""}, {"%n", "%n", "\n", true, "\n"}, {"%N%T", "%n", "\n", false, "%N%T"},
        {"%%nn", "%n", "%", true, "%%"}, {"%%nn", "%n", "", true, ""}, {"aabb", "ab", "a", true, "aa"},
        {"ab.ab", nullptr, "-", true, "-.-", {3}},
        {"\x95\x5C" "n", "\\n", "\n", false, "\x95\x5C" "n"}, {"\x95\x5C\\n", "\\n", "\n", true, "\x95\x5C\n"},
        {"%n%nab", "%n", nullptr, true, "ababab", {0, 4}}, {"ab.ab.-", nullptr, nullptr, true, "-", {3, 6}},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.text) << "\"");
        String s(row.text);
        const char* before = s.Text();
        const char* pattern = row.pattern ? row.pattern : s.Text() + row.at[0];
        CHECK(s.ReplaceAll(pattern, row.with ? row.with : s.Text() + row.at[1]) == row.replaced);
        CHECK((S(s) == S(row.result) && (row.replaced || s.Text() == before)));
    }
}

// Whole repeats are removed, not sets of characters; ASCII letters compare without regard to case; the trailing
// removal never reaches into the leading one; a trail byte 0x5C or 0x7D is no backslash or brace; lead-capable
// bytes pair up from the left (95 95 | 5C: the 5C stands alone).
TEST_CASE("Trim") {
    const struct { const char *text, *leading, *trailing, *result; } rows[] = {
        {"   ", " ", " ", ""}, {"  a b  ", " ", " ", "a b"}, {"\ta\t", " ", " ", "\ta\t"}, {"", " ", " ", ""},
        {"C:\\dir\\\\\\", "", "\\", "C:\\dir"}, {"\\\\a\\b\\", "\\", "\\", "a\\b"}, {"{{x}}}", "{", "}", "x"},
        {"}x{", "{", "}", "}x{"}, {"ababax", "ab", "", "ax"}, {"xaba", "", "ba", "xa"}, {"ab", "abc", "", "ab"},
        {"ABabxAbaB", "ab", "AB", "x"}, {"\x82\xA0" "x", "\x82\x80", "", "\x82\xA0" "x"}, {"aba", "ab", "ba", "a"},
        {"xx", "x", "xx", ""}, {" a ", "", "", " a "}, {" a ", " ", "", "a "}, {"\\\x95\x5C", "\\", "\\", "\x95\x5C"},
        {"C:\\\x95\x5C", "", "\\", "C:\\\x95\x5C"}, {"C:\\\x83\x5C\\\\", "", "\\", "C:\\\x83\x5C"},
        {"\x95\x95\x5C", "", "\\", "\x95\x95"}, {"\x95\x95\x95\x5C", "", "\\", "\x95\x95\x95\x5C"},
        {"{\x83\x7D", "{", "}", "\x83\x7D"}, {"{\x83\x7D}}", "{", "}", "\x83\x7D"},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.text) << "\" \"" << S(row.leading) << "\" \"" << S(row.trailing) << "\"");
        String s(row.text);
        const char* before = s.Text();
        s.Trim(row.leading, row.trailing);
        CHECK((S(s) == S(row.result) && (S(row.text) != row.result || s.Text() == before))); // untouched, not copied
    }
}

// None, or one only at the first byte, gives none (a null row: false and the target unchanged); a trail byte
// 0x5C is no backslash; the path may be the target.
TEST_CASE("DirectoryOf") {
    const struct { const char *path, *directory; } rows[] = {
        {"C:\\app\\setup.exe", "C:\\app"}, {"C:/app/", "C:/app"}, {"a\\\\b", "a\\"}, {"C:\\setup.exe", "C:"},
        {"/setup.exe", nullptr}, {"setup.exe", nullptr}, {"", nullptr}, {"\\", nullptr}, {"C:\\\x95\x5C", "C:"},
        {"C:\\\x83\x5C\\app.exe", "C:\\\x83\x5C"}, {"\x95\x5C" "app.exe", nullptr},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.path) << "\"");
        String target("unchanged");
        CHECK((DirectoryOf(String(row.path), target) == (row.directory != nullptr) &&
               S(target) == S(row.directory ? row.directory : "unchanged")));
    }
    String path("C:\\app\\setup.exe");
    CHECK((DirectoryOf(path, path) && S(path) == "C:\\app"));
}

// Against std::string on every small case: a range is cut at the block's end, however far it runs.
TEST_CASE("ByteBuffer Mid, Equals and Remove") {
    auto bytes = [](const ByteBuffer& b) {
        return b.Size() ? std::string(reinterpret_cast<const char*>(b.Data()), b.Size()) : "";
    };
    for (unsigned size = 0; size <= 5; size++)
        for (unsigned offset : {0u, 1u, 2u, 4u, 5u, 6u, 0xFFFFFFFFu})
            for (unsigned length : {0u, 1u, 2u, 4u, 5u, 0xFFFFFFFFu}) {
                INFO("size " << size << ", offset " << offset << ", length " << length);
                std::string model = std::string("abcde", size);
                ByteBuffer b;
                REQUIRE((size == 0 || b.Assign(model.data(), size)));
                ByteBuffer mid = b.Mid(offset, length);
                CHECK(bytes(mid) == (offset < size ? model.substr(offset, length) : ""));
                CHECK(b.Equals(mid) == (model.rfind(bytes(mid), 0) == 0)); // its first bytes are mid's
                b.Remove(offset, length);
                CHECK(bytes(b) == (offset < size ? model.erase(offset, length) : model));
            }
}
