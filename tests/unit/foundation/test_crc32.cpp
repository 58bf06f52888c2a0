#include <doctest.h>

#include "foundation/Crc32.h"

TEST_CASE("CRC-32 check values") {
    CHECK(Crc32("123456789", 9) == 0xCBF43926u);
    CHECK(Crc32("abc", 3) == 0x352441C2u);
    CHECK(Crc32("", 0) == 0u);
    ByteBuffer empty;
    CHECK(Crc32(empty) == 0u);
    ByteBuffer digits;
    digits.Assign("123456789", 9);
    CHECK(Crc32(digits) == 0xCBF43926u);
    // Same value when asked twice: the table is built once and kept.
    CHECK(Crc32(digits) == 0xCBF43926u);
}

TEST_CASE("CRC-32 continued over pieces equals the CRC of the whole") {
    const char text[] = "The quick brown fox jumps over the lazy dog";
    const unsigned length = sizeof text - 1;
    const unsigned whole = Crc32(text, length);
    CHECK(whole == 0x414FA339u);
    // Every split point, the empty pieces at both ends included.
    for (unsigned cut = 0; cut <= length; cut++) {
        CAPTURE(cut);
        CHECK(Crc32Update(Crc32Update(0, text, cut), text + cut, length - cut) == whole);
    }
    CHECK(Crc32Update(0, "", 0) == 0u);
    CHECK(Crc32Update(Crc32("abc", 3), "", 0) == 0x352441C2u);
    // Three pieces, one byte each.
    CHECK(Crc32Update(Crc32Update(Crc32Update(0, "1", 1), "2", 1), "3", 1) == Crc32("123", 3));
}
