// Items, words and groups with their replacers, ReplaceAll, Trim and
// CountOf, each checked against the plain model where one exists.
#include <stdlib.h>
#include <string.h>

#include "FuzzInput.h"
#include "Model.h"
#include "foundation/String.h"

static const char* const Separators[] = {",", "\\", "=", "\n", ".", "/", "\\.."};
static const char* const Markers[][2] = {{"<", ">"}, {"{", "}"}};
static const char* const Patterns[][2] = {{"%t", "\t"}, {"%n", "\n"}, {"\\", "/"}};
static const char* const Trims[][2] = {{" ", " "}, {"\\", "\\"}, {"{", "}"}, {"", "\\"}, {"", ";"}};

static void Items(FuzzInput& in, const std::string& text) {
    const char* separator = in.OneOf(Separators, 7);
    String s(text.c_str());
    std::vector<std::string> items = model::Split(text, separator);
    int count = static_cast<int>(items.size());
    EXPECT(s.ItemCount(separator) == count);
    for (int i = 0; i < count && i < 64; i++) {
        EXPECT(items[i] == s.Item(i, separator).Text());
        EXPECT(items[count - 1 - i] == s.Item(-1 - i, separator).Text());
    }
    if (count)
        EXPECT(text == s.Items(0, -1, separator).Text());
    int a = in.Index(), b = in.Index();
    std::string with = in.Text();
    String copy(s);
    int first, last;
    bool found = s.FindItems(a, b, separator, first, last);
    copy.ReplaceItems(a, b, separator, with.c_str());
    if (found) {
        std::string expected = text.substr(0, first) + with + text.substr(last + 1);
        EXPECT(expected == copy.Text());
    } else {
        EXPECT(text == copy.Text());
    }
}

static void Words(FuzzInput& in, const std::string& text) {
    String s(text.c_str());
    EXPECT(s.WordCount() == model::WordCount(text));
    int a = in.Index(), b = in.Index();
    int first = 0, last = 0;
    if (s.FindWords(a, b, first, last) && first <= last) {
        EXPECT(first >= 0 && last < static_cast<int>(text.size()));
        EXPECT(text.substr(first, last - first + 1) == s.Words(a, b).Text());
    }
}

static void Groups(FuzzInput& in, const std::string& text) {
    const char* const* marker = Markers[in.Small(2)];
    String s(text.c_str());
    int count = s.GroupCount(marker[0], marker[1]);
    EXPECT(count >= 0);
    int a = in.Index(), b = in.Index();
    int first, last;
    String copy(s);
    std::string with = in.Text();
    bool found = s.FindGroups(a, b, marker[0], marker[1], first, last);
    copy.ReplaceGroups(a, b, marker[0], marker[1], with.c_str());
    if (found) {
        EXPECT(first >= 0 && first <= last && last < static_cast<int>(text.size()));
        // An index still negative after counting from the end starts at the
        // first marker of either kind, as the stepwise rule has it.
        if (a >= 0 && b >= 0)
            EXPECT(text.compare(first, strlen(marker[0]), marker[0]) == 0);
        EXPECT(text.substr(first, last - first + 1) == s.Groups(a, b, marker[0], marker[1]).Text());
        EXPECT(text.substr(0, first) + with + text.substr(last + 1) == copy.Text());
    } else {
        EXPECT(text == copy.Text());
        EXPECT(s.Groups(a, b, marker[0], marker[1]).IsEmpty());
    }
}

static void Edits(FuzzInput& in, const std::string& text) {
    const char* const* pair = Patterns[in.Small(3)];
    String s(text.c_str());
    EXPECT(s.CountOf(pair[0]) == model::CountOf(text, pair[0]));
    std::string replaced = model::ReplaceAll(text, pair[0], pair[1]);
    EXPECT(s.ReplaceAll(pair[0], pair[1]) == (model::CountOf(text, pair[0]) > 0));
    EXPECT(replaced == s.Text());
    const char* const* trim = Trims[in.Small(5)];
    String t(text.c_str());
    t.Trim(trim[0], trim[1]);
    EXPECT(model::Trim(text, trim[0], trim[1]) == t.Text());
    // Pattern and text taken from the string's own block. A replacement with
    // a '%' could make "%n" again with the text around it and never end.
    String own(text.c_str());
    if (!text.empty()) {
        int at = in.Small(static_cast<int>(text.size()));
        std::string tail = text.substr(at);
        if (tail.find('%') == std::string::npos)
            EXPECT(model::ReplaceAll(text, "%n", tail) == (own.ReplaceAll("%n", own.Text() + at), own.Text()));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    int which = in.Small(4);
    std::string text = in.Text();
    switch (which) {
    case 0: Items(in, text); break;
    case 1: Words(in, text); break;
    case 2: Groups(in, text); break;
    default: Edits(in, text); break;
    }
    return 0;
}
