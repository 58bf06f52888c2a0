#include <doctest.h>

#include <string.h>

#include "foundation/ByteBuffer.h"

namespace {

void AppendPointer(ByteBuffer& buffer, unsigned value) { buffer.Append(&value, 4); }

unsigned EntryAt(const ByteBuffer& buffer, unsigned index) {
    unsigned value;
    memcpy(&value, buffer.Data() + 4 * index, 4);
    return value;
}

} // namespace

TEST_CASE("byte buffer: new, allocate, assign") {
    ByteBuffer buffer;
    CHECK(buffer.Size() == 0);
    CHECK(buffer.Data() == nullptr);

    buffer.Assign("abcdefgh", 8);
    REQUIRE(buffer.AllocBuffer(5));
    CHECK(buffer.Size() == 5);
    for (unsigned i = 0; i < 5; i++)
        CHECK(buffer.Data()[i] == 0);

    ByteBuffer copy(buffer);
    CHECK(copy.Size() == 5);
    CHECK(copy.Data() != buffer.Data());
}

TEST_CASE("byte buffer: append, including its own bytes") {
    ByteBuffer buffer;
    buffer.Assign("ab", 2);
    buffer.Append(buffer.Data(), buffer.Size());
    REQUIRE(buffer.Size() == 4);
    CHECK(memcmp(buffer.Data(), "abab", 4) == 0);

    ByteBuffer other;
    other.Assign("xyz", 3);
    ByteBuffer joined = buffer.Concat(other);
    CHECK(joined.Size() == 7);
    CHECK(memcmp(joined.Data(), "ababxyz", 7) == 0);
    CHECK(buffer.Size() == 4);
}

TEST_CASE("byte buffer: the list stack's removals") {
    ByteBuffer stack;
    AppendPointer(stack, 0x11111111);
    AppendPointer(stack, 0x22222222);
    AppendPointer(stack, 0x33333333);
    CHECK(stack.Size() == 12);

    SUBCASE("a middle entry moves the later ones down") {
        stack.Remove(4, 4);
        REQUIRE(stack.Size() == 8);
        CHECK(EntryAt(stack, 0) == 0x11111111);
        CHECK(EntryAt(stack, 1) == 0x33333333);
    }
    SUBCASE("the last entry keeps the head") {
        stack.Remove(8, 4);
        REQUIRE(stack.Size() == 8);
        CHECK(EntryAt(stack, 1) == 0x22222222);
    }
    SUBCASE("the first entry keeps the tail") {
        stack.Remove(0, 4);
        REQUIRE(stack.Size() == 8);
        CHECK(EntryAt(stack, 0) == 0x22222222);
    }
    SUBCASE("a range past the end keeps the head up to the offset") {
        stack.Remove(4, 100);
        REQUIRE(stack.Size() == 4);
        CHECK(EntryAt(stack, 0) == 0x11111111);
    }
    SUBCASE("ranges outside the block change nothing") {
        stack.Remove(12, 4);
        stack.Remove(40, 4);
        stack.Remove(4, 0);
        CHECK(stack.Size() == 12);
    }
}

TEST_CASE("byte buffer: one entry removed empties it, an empty one stays empty") {
    ByteBuffer stack;
    AppendPointer(stack, 7);
    stack.Remove(0, 4);
    CHECK(stack.Size() == 0);
    CHECK(stack.Data() == nullptr);
    stack.Remove(0, 4);
    CHECK(stack.Size() == 0);
}

TEST_CASE("byte buffer: equality compares the other's length only") {
    ByteBuffer longer, shorter, empty, different;
    longer.Assign("abcdef", 6);
    shorter.Assign("abc", 3);
    different.Assign("abx", 3);
    CHECK(longer.Equals(empty));
    CHECK(longer.Equals(shorter));
    CHECK(longer.NotEquals(different));
    CHECK_FALSE(shorter.Equals(longer)); // never reads beyond the shorter block
}

TEST_CASE("byte buffer: Mid stays inside the block") {
    ByteBuffer buffer;
    buffer.Assign("0123456789", 10);
    ByteBuffer middle = buffer.Mid(3, 4);
    CHECK(middle.Size() == 4);
    CHECK(memcmp(middle.Data(), "3456", 4) == 0);
    CHECK(buffer.Mid(8, 10).Size() == 2);
    CHECK(buffer.Mid(10, 1).Size() == 0);
    CHECK(ByteBuffer().Mid(0, 4).Size() == 0);
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
    struct Row { const char* name; unsigned left; unsigned right; };
    const Row rows[] = {{"both empty", 0, 0}, {"left filled", 8, 0}, {"right filled", 0, 4}, {"both", 12, 4}};
    for (const Row& row : rows) {
        CAPTURE(row.name);
        ByteBuffer left, right;
        for (unsigned i = 0; i < row.left / 4; i++)
            AppendPointer(left, 100 + i);
        for (unsigned i = 0; i < row.right / 4; i++)
            AppendPointer(right, 200 + i);
        const unsigned char* leftBlock = left.Data();
        const unsigned char* rightBlock = right.Data();
        left.Swap(right);
        CHECK(left.Size() == row.right);
        CHECK(right.Size() == row.left);
        CHECK(left.Data() == rightBlock);
        CHECK(right.Data() == leftBlock);
        if (row.left)
            CHECK(EntryAt(right, 0) == 100);
        if (row.right)
            CHECK(EntryAt(left, 0) == 200);
    }
}
