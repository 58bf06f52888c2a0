// The one-pass walks against the plain definitions they replace, on random
// texts of the bytes that matter: markers, separators, quotes, spaces, lead
// bytes (0x81, 0x95, 0xE0) and 0x5C as a trail byte.
#include <doctest.h>

#include <random>
#include <vector>
#include <string>

#include "foundation/Cursors.h"
#include "foundation/Multibyte.h"
#include "foundation/String.h"

namespace {

std::string RandomText(std::mt19937& random, int maxLength) {
    static const char bytes[] = "a Z\"\\,.<>{}x\x81\x95\xE0\x40\x5C";
    std::uniform_int_distribution<int> length(0, maxLength), pick(0, sizeof(bytes) - 2);
    std::string text(length(random), ' ');
    for (char& c : text)
        c = bytes[pick(random)];
    return text;
}

// The rule itself: the run of lead-capable bytes before p pairs up.
bool PlainIsBoundary(const char* start, const char* p) {
    int run = 0;
    for (const char* q = p; q > start && IsLeadByte(static_cast<unsigned char>(q[-1])); q--)
        run++;
    return run % 2 == 0;
}

std::string PlainTrimEnd(const std::string& text, const std::string& trailing) {
    size_t end = text.size();
    while (end >= trailing.size() && text.compare(end - trailing.size(), trailing.size(), trailing) == 0 &&
           PlainIsBoundary(text.c_str(), text.c_str() + end - trailing.size()))
        end -= trailing.size();
    return text.substr(0, end);
}

} // namespace

TEST_CASE("One-pass walks give what the plain definitions give") {
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; round++) {
        std::string text = RandomText(random, round < 2500 ? 24 : 400);
        CAPTURE(text);
        const char* start = text.c_str();
        String s(start);

        BoundaryTest boundary(start);
        for (const char* p = start; *p; p++)
            REQUIRE(boundary.At(p) == PlainIsBoundary(start, p));

        for (const char* trailing : {"\\", "\x81", "\x81\x40", ".."}) {
            String trimmed(start);
            trimmed.Trim("", trailing);
            REQUIRE(std::string(trimmed.Text()) == PlainTrimEnd(text, trailing));
        }

        for (const char* separator : {",", "\\", "\x95\x5C"}) {
            ItemCursor items(s, separator);
            int count = s.ItemCount(separator);
            for (int i = 0; i <= count; i++)
                REQUIRE(std::string(items.Next().Text()) == s.Item(i, separator).Text());
        }

        WordCursor words(s);
        int wordCount = s.WordCount();
        for (int i = 0; i <= wordCount; i += 1 + static_cast<int>(random() % 2))
            REQUIRE(std::string(words.Word(i).Text()) == s.Words(i, i).Text());

        int groupCount = s.GroupCount("<", ">");
        int from = 0;
        for (int i = 0; i < groupCount; i++) {
            int first, last, plainFirst, plainLast;
            REQUIRE(FindFirstGroup(start + from, "<", ">", first, last));
            first += from;
            last += from;
            REQUIRE(s.FindGroups(i, i, "<", ">", plainFirst, plainLast));
            REQUIRE(first == plainFirst);
            REQUIRE(last == plainLast);
            from = last + 1;
        }
    }
}
