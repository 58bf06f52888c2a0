#include "tests/unit/Unit.h"

#include <string.h>

#include "foundation/ByteBuffer.h"

namespace {

std::string Bytes(const ByteBuffer& buffer) {
    return buffer.Size() ? std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size()) : "";
}

ByteBuffer Buffer(const char* text) {
    ByteBuffer buffer;
    buffer.Assign(text, static_cast<unsigned>(strlen(text)));
    return buffer;
}

} // namespace

TEST_CASE("byte buffer: new, allocate, assign, append, concatenate") {
    ByteBuffer buffer;
    CHECK((buffer.Size() == 0 && buffer.Data() == nullptr));
    buffer.Assign("abcdefgh", 8);
    REQUIRE(buffer.AllocBuffer(5));
    CHECK(Bytes(buffer) == std::string(5, '\0'));
    ByteBuffer copy(buffer);
    CHECK((copy.Size() == 5 && copy.Data() != buffer.Data()));
    buffer.Assign("ab", 2);
    buffer.Append(buffer.Data(), buffer.Size());
    CHECK(Bytes(buffer) == "abab");
    CHECK(Bytes(buffer.Concat(Buffer("xyz"))) == "ababxyz");
    CHECK(Bytes(buffer) == "abab");
}

// The list stack removes entries of four bytes.
TEST_CASE("byte buffer: Remove") {
    struct Row { unsigned offset, count; const char* left; } rows[] = {
        {4, 4, "1111" "3333"}, {8, 4, "1111" "2222"}, {0, 4, "2222" "3333"}, {4, 100, "1111"},
        {12, 4, "1111" "2222" "3333"}, {4, 0, "1111" "2222" "3333"}, {0, 12, ""},
    };
    for (const Row& row : rows) {
        INFO("row " << row.offset << " " << row.count);
        ByteBuffer stack = Buffer("1111" "2222" "3333");
        stack.Remove(row.offset, row.count);
        CHECK(Bytes(stack) == row.left);
        CHECK((stack.Data() == nullptr) == !*row.left);
    }
    ByteBuffer empty;
    empty.Remove(0, 4);
    CHECK(empty.Size() == 0);
}
