// A growable block of bytes, reallocated to the exact size on every change.
// Holds the stack of procedure lists and whole-file reads.
#pragma once

class ByteBuffer {
public:
    ByteBuffer();
    ByteBuffer(const ByteBuffer& other);
    virtual ~ByteBuffer();

private:
    // Forgets the block without freeing it: for the constructors (and Clear,
    // after its free) only, as on a filled buffer it would leak the block.
    virtual void Reset();

public:
    virtual void Clear();
    virtual bool AllocBuffer(unsigned byteCount);
    virtual bool Assign(const void* bytes, unsigned byteCount);
    virtual bool Append(const void* bytes, unsigned byteCount);
    virtual unsigned char* Data();
    virtual const unsigned char* Data() const;
    virtual void Assign(const ByteBuffer& other);
    virtual void Append(const ByteBuffer& other);
    virtual ByteBuffer Concat(const ByteBuffer& other) const;
    virtual bool Equals(const ByteBuffer& other) const;
    virtual bool NotEquals(const ByteBuffer& other) const;
    virtual ByteBuffer Mid(unsigned offset, unsigned length) const;
    virtual void Remove(unsigned offset, unsigned length);

    unsigned Size() const { return size; }
    // Exchanges the blocks of two buffers. It allocates nothing, so an owner
    // can grow a copy and take it only when the growth succeeded.
    void Swap(ByteBuffer& other);
    ByteBuffer& operator=(const ByteBuffer& other);

private:
    unsigned char* data;
    unsigned size;
};
