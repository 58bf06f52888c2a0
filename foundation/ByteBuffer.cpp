#include "ByteBuffer.h"

#include <stdlib.h>
#include <string.h>

ByteBuffer::ByteBuffer() { Reset(); }

ByteBuffer::ByteBuffer(const ByteBuffer& other) {
    Reset();
    Assign(other);
}

ByteBuffer::~ByteBuffer() { Clear(); }

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
    if (this != &other)
        Assign(other);
    return *this;
}

void ByteBuffer::Reset() {
    data = nullptr;
    size = 0;
}

void ByteBuffer::Clear() {
    free(data);
    Reset();
}

bool ByteBuffer::AllocBuffer(unsigned byteCount) {
    Clear();
    if (byteCount == 0)
        return true;
    data = static_cast<unsigned char*>(calloc(byteCount, 1));
    if (!data)
        return false;
    size = byteCount;
    return true;
}

bool ByteBuffer::Assign(const void* bytes, unsigned byteCount) {
    // The source may lie inside our own block.
    ByteBuffer source;
    if (!source.AllocBuffer(byteCount)) {
        Clear();
        return false;
    }
    if (byteCount)
        memcpy(source.data, bytes, byteCount);
    if (!AllocBuffer(byteCount))
        return false;
    if (byteCount)
        memcpy(data, source.data, byteCount);
    return true;
}

bool ByteBuffer::Append(const void* bytes, unsigned byteCount) {
    ByteBuffer old(*this);
    ByteBuffer added;
    bool copied = old.Size() == size;
    if (!copied || !added.AllocBuffer(byteCount)) {
        Clear();
        return false;
    }
    if (byteCount)
        memcpy(added.data, bytes, byteCount);
    unsigned oldSize = old.Size();
    if (oldSize + byteCount < oldSize || !AllocBuffer(oldSize + byteCount))
        return false;
    if (oldSize)
        memcpy(data, old.Data(), oldSize);
    if (byteCount)
        memcpy(data + oldSize, added.data, byteCount);
    return true;
}

void ByteBuffer::Swap(ByteBuffer& other) {
    unsigned char* otherData = other.data;
    unsigned otherSize = other.size;
    other.data = data;
    other.size = size;
    data = otherData;
    size = otherSize;
}

unsigned char* ByteBuffer::Data() { return data; }

const unsigned char* ByteBuffer::Data() const { return data; }

void ByteBuffer::Assign(const ByteBuffer& other) { Assign(other.Data(), other.Size()); }

void ByteBuffer::Append(const ByteBuffer& other) { Append(other.Data(), other.Size()); }

ByteBuffer ByteBuffer::Concat(const ByteBuffer& other) const {
    ByteBuffer result(*this);
    result.Append(other);
    return result;
}

// Only the first other.Size() bytes count; a shorter block is unequal.
bool ByteBuffer::Equals(const ByteBuffer& other) const {
    if (other.Size() == 0)
        return true;
    if (size < other.Size())
        return false;
    return memcmp(data, other.Data(), other.Size()) == 0;
}

bool ByteBuffer::NotEquals(const ByteBuffer& other) const { return !Equals(other); }

// A range that leaves the block is cut at its end; nothing outside is read.
ByteBuffer ByteBuffer::Mid(unsigned offset, unsigned length) const {
    ByteBuffer result;
    if (offset >= size)
        return result;
    if (length > size - offset)
        length = size - offset;
    result.Assign(data + offset, length);
    return result;
}

void ByteBuffer::Remove(unsigned offset, unsigned length) {
    if (size == 0 || length == 0 || offset >= size)
        return;
    unsigned last = offset + length - 1;
    if (last < offset)
        last = 0xFFFFFFFFu;
    unsigned end = size - 1;
    if (offset == 0) {
        if (last >= end)
            Clear();
        else
            Assign(Mid(last + 1, end - last));
        return;
    }
    if (last >= end) {
        Assign(Mid(0, offset));
        return;
    }
    ByteBuffer head = Mid(0, offset);
    ByteBuffer tail = Mid(last + 1, end - last);
    Assign(head.Concat(tail));
}
