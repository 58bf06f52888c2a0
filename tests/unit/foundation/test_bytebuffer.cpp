#include "tests/unit/Unit.h"

#include <string.h>

#include "foundation/ByteBuffer.h"

namespace {

std::string Bytes(const ByteBuffer& buffer) {
    return buffer.Size() ? std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size()) : "";
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
    ByteBuffer other;
    other.Assign("xyz", 3);
    CHECK(Bytes(buffer.Concat(other)) == "ababxyz");
    CHECK(Bytes(buffer) == "abab");
}

// The list stack removes entries of four bytes.
TEST_CASE("byte buffer: Remove") {
    struct Row { unsigned offset, count; const char* left; } rows[] = {
        {4, 4, "1111" "3333"}, {8, 4, "1111" "2222"}, {0, 4, "2222" "3333"}, {4, 100, "1111"},
        {12, 4, "1111" "2222" "3333"}, {40, 4, "1111" "2222" "3333"}, {4, 0, "1111" "2222" "3333"}, {0, 12, ""},
    };
    for (const Row& row : rows) {
        INFO("row " << row.offset << " " << row.count);
        ByteBuffer stack;
        stack.Assign("1111" "2222" "3333", 12);
        stack.Remove(row.offset, row.count);
        CHECK(Bytes(stack) == row.left);
        if (!*row.left)
            CHECK(stack.Data() == nullptr);
    }
    ByteBuffer empty;
    empty.Remove(0, 4); // an empty one stays empty
    CHECK(empty.Size() == 0);
}

// Neither reads beyond the shorter block or the block's end.
TEST_CASE("byte buffer: equality compares the other's length only; Mid stays inside the block") {
    ByteBuffer longer, shorter, empty, different, buffer;
    longer.Assign("abcdef", 6);
    shorter.Assign("abc", 3);
    different.Assign("abx", 3);
    CHECK((longer.Equals(empty) && longer.Equals(shorter) && longer.NotEquals(different) && !shorter.Equals(longer)));
    buffer.Assign("0123456789", 10);
    CHECK(Bytes(buffer.Mid(3, 4)) == "3456");
    CHECK(Bytes(buffer.Mid(8, 10)) == "89");
    CHECK((buffer.Mid(10, 1).Size() == 0 && ByteBuffer().Mid(0, 4).Size() == 0));
}

namespace {

// Whether code outside the class can call Reset on a buffer.
template <class T>
auto ResetCallable(int) -> decltype(static_cast<T*>(nullptr)->Reset(), true) { return true; }
template <class T>
bool ResetCallable(long) { return false; }

} // namespace

TEST_CASE("byte buffer: only the constructors forget the block") {
    // Reset drops the pointer without freeing it: callable on a filled
    // buffer it would leak the block, so it is closed to outside callers.
    CHECK_FALSE(ResetCallable<ByteBuffer>(0));
    struct Row { const char* name; unsigned size; };
    const Row rows[] = {{"empty", 0}, {"one byte", 1}, {"filled", 64}};
    for (const Row& row : rows) {
        CAPTURE(row.name);
        ByteBuffer buffer;
        REQUIRE(buffer.AllocBuffer(row.size));
        buffer.Clear();
        CHECK(buffer.Size() == 0);
        CHECK(buffer.Data() == nullptr);
    }
}

TEST_CASE("byte buffer: Swap exchanges blocks without allocating") {
    struct Row { const char* left; const char* right; };
    const Row rows[] = {{"", ""}, {"abcdefgh", ""}, {"", "wxyz"}, {"abcdefghijkl", "wxyz"}};
    for (const Row& row : rows) {
        INFO("row \"" << row.left << "\" \"" << row.right << "\"");
        ByteBuffer left, right;
        left.Assign(row.left, static_cast<unsigned>(strlen(row.left)));
        right.Assign(row.right, static_cast<unsigned>(strlen(row.right)));
        const unsigned char* leftBlock = left.Data();
        const unsigned char* rightBlock = right.Data();
        left.Swap(right);
        CHECK(Bytes(left) == row.right);
        CHECK(Bytes(right) == row.left);
        CHECK(left.Data() == rightBlock);
        CHECK(right.Data() == leftBlock);
    }
}
