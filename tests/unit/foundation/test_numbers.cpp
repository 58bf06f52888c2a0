#include "tests/unit/Unit.h"

#include "foundation/Messages.h"
#include "foundation/Numbers.h"

TEST_CASE("ParseInt reads a leading decimal number like %d, ParseHex like %x") {
    struct Row { const char* text; int decimal; unsigned hex; } rows[] = {
        {"  42", 42, 0x42},  {"-7", -7, 0u - 7},    {"+8", 8, 8},        {"12abc", 12, 0x12ABC},
        {"\t\n 3", 3, 3},    {"x1", 0, 0},          {"", 0, 0},          {"-", 0, 0},
        {"- 5", 0, 0},       {"0x1", 0, 1},         {"0x", 0, 0},        {"0xg", 0, 0},
        {"0XfF", 0, 255},    {"ff", 0, 255},        {"1a", 1, 0x1A},     {" CBF43926", 0, 0xCBF43926u},
        {"12g4", 12, 0x12},  {"g", 0, 0},           {"2147483647", 2147483647, 0x47483647},
        {"-2147483648", -2147483647 - 1, 0u - 0x47483648},
    };
    for (const auto& row : rows) {
        INFO("row \"" << S(row.text) << "\"");
        CHECK(ParseInt(row.text) == row.decimal);
        CHECK(ParseHex(row.text) == row.hex);
    }
    int value = 0; // ScanDecimal says whether it read a number
    CHECK((ScanDecimal(" -12abc", value) && value == -12 && !ScanDecimal("x1", value) && !ScanDecimal("-", value)));
}

// 1024 bytes is the fixed area: a result of exactly that size must keep its
// last byte. Beyond 64 KiB a result is cut.
TEST_CASE("Format follows printf rules at every size") {
    for (int length : {0, 5, 1022, 1023, 1024, 1025, 2048, 4 * 300 + 14, 64 * 1024 - 1, 64 * 1024, 100 * 1024}) {
        INFO("length " << length);
        std::string text(length, 'p');
        if (length)
            text.back() = 'q';
        String result;
        Format(result, "%s", text.c_str());
        CHECK(S(result) == text.substr(0, 64 * 1024 - 1));
    }
    String result;
    Format(result, "%s=%d 0x%08X %04u-%02u %lu %X %s", "a", -5, 33u, 7u, 12u, 4294967295ul, 0xABCu, "");
    CHECK(S(result) == "a=-5 0x00000021 0007-12 4294967295 ABC ");
}
