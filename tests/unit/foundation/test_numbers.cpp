#include <doctest.h>

#include "foundation/Numbers.h"

TEST_CASE("ParseInt reads a leading decimal number like %d") {
    CHECK(ParseInt("  42") == 42);
    CHECK(ParseInt("-7") == -7);
    CHECK(ParseInt("+8") == 8);
    CHECK(ParseInt("12abc") == 12);
    CHECK(ParseInt("\t\n 3") == 3);
    CHECK(ParseInt("x1") == 0);
    CHECK(ParseInt("") == 0);
    CHECK(ParseInt("-") == 0);
    CHECK(ParseInt("- 5") == 0);
    CHECK(ParseInt("2147483647") == 2147483647);
    CHECK(ParseInt("-2147483648") == -2147483647 - 1);
}

TEST_CASE("ScanDecimal tells a missing number from a zero") {
    int value = 99;
    CHECK_FALSE(ScanDecimal("abc", value));
    CHECK(value == 99);
    CHECK(ScanDecimal("0", value));
    CHECK(value == 0);
    CHECK(ScanDecimal("99999999999", value)); // wraps, never traps
}

TEST_CASE("ParseHex reads a leading hexadecimal number like %x") {
    CHECK(ParseHex("ff") == 255);
    CHECK(ParseHex("0xFF") == 255);
    CHECK(ParseHex("0XfF") == 255);
    CHECK(ParseHex("1a") == 0x1A);
    CHECK(ParseHex(" CBF43926") == 0xCBF43926u);
    CHECK(ParseHex("g") == 0);
    CHECK(ParseHex("0x") == 0);
    CHECK(ParseHex("0xg") == 0);
    CHECK(ParseHex("12g4") == 0x12);
    CHECK(ParseHex("") == 0);
}
