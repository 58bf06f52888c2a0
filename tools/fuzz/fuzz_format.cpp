// Format and LoadMessage with long arguments: the result is what snprintf
// gives, cut only beyond the largest work area, and nothing is overrun.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "FuzzInput.h"
#include "foundation/Messages.h"

// The shapes of the catalogue's formats (the attribute one takes a number).
static const char* const Formats[] = {
    "%s",
    "ファイル:：\"%s\"",
    "転送元：\"%s\"\n転送先：\"%s\"",
    "%s%s%s%s",
    "ファイル：\"%s\"\n属性：0x%08X",
};
static const size_t LargestResult = 64 * 1024 - 1;

static std::string Expected(const char* format, const char* a, const char* b, unsigned n, bool number) {
    int length = number ? snprintf(nullptr, 0, format, a, n) : snprintf(nullptr, 0, format, a, b, a, b);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (number)
        snprintf(&text[0], text.size(), format, a, n);
    else
        snprintf(&text[0], text.size(), format, a, b, a, b);
    text.resize(static_cast<size_t>(length));
    return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    int which = in.Small(5);
    unsigned repeat = 1 + in.Byte() * 64;
    std::string piece = in.Text(), b = in.Text();
    std::string a;
    for (unsigned i = 0; i < repeat && a.size() < 100000; i++)
        a += piece;
    unsigned n = in.Byte() | in.Byte() << 24;
    const char* format = Formats[which];
    bool number = which == 4;
    String target;
    if (number)
        Format(target, format, a.c_str(), n);
    else
        Format(target, format, a.c_str(), b.c_str(), a.c_str(), b.c_str());
    std::string expected = Expected(format, a.c_str(), b.c_str(), n, number);
    if (expected.size() > LargestResult)
        expected.resize(LargestResult);
    EXPECT(expected == target.Text());
    // The native catalogue is empty: every message loads as "".
    String message;
    LoadMessage(message, in.Small(20), a.c_str(), b.c_str());
    EXPECT(message.IsEmpty());
    return 0;
}
