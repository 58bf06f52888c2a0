#include "ReadAhead.h"

ReadAhead::ReadAhead(HANDLE file, unsigned long long size, unsigned blockSize, ByteBuffer& buffer)
    : file(file), left(size), blockSize(blockSize), buffer(buffer),
      blocksLeft((size + blockSize - 1) / blockSize) {}

bool ReadAhead::Start() {
    if (buffer.Size() != 2 * blockSize && !buffer.AllocBuffer(2 * blockSize))
        return false;
    filledSlots = CreateSemaphoreA(nullptr, 0, 2, nullptr);
    freeSlots = CreateSemaphoreA(nullptr, 2, 2, nullptr);
    if (filledSlots && freeSlots)
        thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    return thread != nullptr;
}

ReadAhead::~ReadAhead() {
    if (thread) {
        stopping = true;
        ReleaseSemaphore(freeSlots, 1, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    if (filledSlots)
        CloseHandle(filledSlots);
    if (freeSlots)
        CloseHandle(freeSlots);
}

DWORD WINAPI ReadAhead::ThreadMain(void* self) {
    static_cast<ReadAhead*>(self)->ReadBlocks();
    return 0;
}

// Each block is announced once read; a failed read is announced too, so the
// taker never waits for a block that will not come.
void ReadAhead::ReadBlocks() {
    for (unsigned slot = 0; left > 0; slot ^= 1) {
        WaitForSingleObject(freeSlots, INFINITE);
        if (stopping)
            return;
        DWORD wanted = left < blockSize ? static_cast<DWORD>(left) : blockSize, read = 0;
        if (!ReadFile(file, buffer.Data() + slot * blockSize, wanted, &read, nullptr) || read != wanted)
            failed = true;
        lengths[slot] = read;
        left -= wanted;
        ReleaseSemaphore(filledSlots, 1, nullptr);
        if (failed)
            return;
    }
}

const unsigned char* ReadAhead::Next(DWORD& length) {
    if (failed || blocksLeft == 0)
        return nullptr;
    // The block taken last is done with: its slot may be read into again.
    if (taken > 0)
        ReleaseSemaphore(freeSlots, 1, nullptr);
    WaitForSingleObject(filledSlots, INFINITE);
    if (failed)
        return nullptr;
    unsigned slot = taken++ & 1;
    blocksLeft--;
    length = lengths[slot];
    return buffer.Data() + slot * blockSize;
}
