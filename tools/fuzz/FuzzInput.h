// Takes a fuzzer's bytes apart: small numbers and texts, without a zero
// byte inside a text, until the bytes run out (then zeros and "").
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

// A result that differs from the model is a finding, like a crash.
#define EXPECT(condition)                                                                  \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition); \
            abort();                                                                       \
        }                                                                                  \
    } while (0)

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool Empty() const { return size == 0; }

    unsigned Byte() {
        if (!size)
            return 0;
        size--;
        return *data++;
    }

    int Small(int range) { return static_cast<int>(Byte() % static_cast<unsigned>(range)); }

    // Index of an item, word or group: mostly small, sometimes negative.
    int Index() { return static_cast<int>(static_cast<int8_t>(Byte())) / 8; }

    // A text up to the next byte 0x01 (or the end); zero bytes become '0'.
    std::string Text() {
        std::string text;
        while (size) {
            uint8_t b = *data++;
            size--;
            if (b == 1)
                break;
            text += b ? static_cast<char>(b) : '0';
        }
        return text;
    }

    // One of the fixed texts the program passes.
    const char* OneOf(const char* const* texts, int count) { return texts[Small(count)]; }

private:
    const uint8_t* data;
    size_t size;
};
