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

// Whether code outside the class can call Reset on a buffer.
template <class T>
auto ResetCallable(int) -> decltype(static_cast<T*>(nullptr)->Reset(), true) { return true; }
template <class T>
bool ResetCallable(long) { return false; }

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

// Neither reads beyond the shorter block or the block's end.
TEST_CASE("byte buffer: equality compares the other's length only; Mid stays inside the block") {
    const ByteBuffer longer = Buffer("abcdef"), shorter = Buffer("abc"), buffer = Buffer("0123456789");
    CHECK((longer.Equals(ByteBuffer()) && longer.Equals(shorter) && !shorter.Equals(longer)));
    CHECK(longer.NotEquals(Buffer("abx")));
    CHECK(Bytes(buffer.Mid(3, 4)) == "3456");
    CHECK(Bytes(buffer.Mid(8, 10)) == "89");
    CHECK((buffer.Mid(10, 1).Size() == 0 && ByteBuffer().Mid(0, 4).Size() == 0));
}

// Reset drops the pointer without freeing it: callable on a filled buffer it
// would leak the block, so it is closed to outside callers.
TEST_CASE("byte buffer: only the constructors forget the block") {
    CHECK_FALSE(ResetCallable<ByteBuffer>(0));
    for (unsigned size : {0u, 1u, 64u}) {
        CAPTURE(size);
        ByteBuffer buffer;
        REQUIRE(buffer.AllocBuffer(size));
        buffer.Clear();
        CHECK((buffer.Size() == 0 && buffer.Data() == nullptr));
    }
}

TEST_CASE("byte buffer: Swap exchanges blocks without allocating") {
    const char* rows[][2] = {{"", ""}, {"abcdefgh", ""}, {"abcdefghijkl", "wxyz"}};
    for (const auto& row : rows) {
        INFO("row \"" << row[0] << "\" \"" << row[1] << "\"");
        ByteBuffer left = Buffer(row[0]), right = Buffer(row[1]);
        const unsigned char* blocks[] = {left.Data(), right.Data()};
        left.Swap(right);
        CHECK((Bytes(left) == row[1] && Bytes(right) == row[0]));
        CHECK((left.Data() == blocks[1] && right.Data() == blocks[0]));
    }
}
