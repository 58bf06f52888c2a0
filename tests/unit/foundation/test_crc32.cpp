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
