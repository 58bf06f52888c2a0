// A file read in blocks by a thread of its own, one block ahead of its
// reader, so the work on one block overlaps the read of the next.
#pragma once

#include <windows.h>

#include "foundation/ByteBuffer.h"

class ReadAhead {
public:
    // Reads `size` bytes of `file` from where it stands, in blocks of at
    // most `blockSize`, into two blocks of `buffer`.
    ReadAhead(HANDLE file, unsigned long long size, unsigned blockSize, ByteBuffer& buffer);
    // Stops the thread, at the end or not, and waits for it.
    ~ReadAhead();
    // False when the blocks or the thread could not be had.
    bool Start();
    // The next block and its length; null at the end and after a failed
    // or short read (Failed tells them apart).
    const unsigned char* Next(DWORD& length);
    bool Failed() const { return failed; }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void ReadBlocks();

    HANDLE file;
    unsigned long long left; // the thread's: bytes not yet read
    unsigned blockSize;
    ByteBuffer& buffer;
    // Blocks ready to be taken, and blocks freeSlots to be read into.
    HANDLE filledSlots = nullptr, freeSlots = nullptr, thread = nullptr;
    DWORD lengths[2] = {};
    // The taker's own count, apart from the thread's `left`.
    unsigned long long blocksLeft;
    unsigned taken = 0;
    // Each side writes one: the thread on a failed read, the taker to stop.
    volatile bool failed = false, stopping = false;
};
