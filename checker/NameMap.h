// Names compared as the profile compares section and key names (ASCII
// letters without regard to case), each with a value, found in constant
// time: the checker's indexes of lines, reads, sections and lists, so that
// a script of thousands of keys is checked in one pass over them.
#pragma once

#include <stddef.h>
#include <stdlib.h>

class NameMap {
public:
    // `release`, when given, is handed each value as its name is forgotten:
    // the map then owns its values.
    explicit NameMap(void (*release)(void* value) = nullptr) : release(release) {}
    ~NameMap() { Clear(); }
    NameMap(const NameMap&) = delete;
    NameMap& operator=(const NameMap&) = delete;

    // The value of the name (of `section` and `key` together), or null.
    void* Find(const char* name) const;
    void* Find(const char* section, const char* key) const;
    // Gives the name a value, in place of one it had; false when memory ran
    // out.
    bool Set(const char* name, void* value);
    bool Set(const char* section, const char* key, void* value);

    // Forgets every name.
    void Clear();

private:
    struct Slot {
        char* name;
        size_t hash;
        void* value;
    };
    Slot* FindSlot(const char* name, size_t hash) const;
    bool Grow();
    void (*release)(void* value);
    Slot* slots = nullptr;
    size_t slotCount = 0; // a power of two, or 0
    size_t used = 0;
};

// Room for one more item in an array that doubles as it grows (from `first`);
// false when memory runs out, the array then as it was.
template <typename T>
bool MakeRoom(T*& items, int count, int& room, int first) {
    if (count < room)
        return true;
    int grown = room ? room * 2 : first;
    void* block = realloc(items, static_cast<size_t>(grown) * sizeof(T));
    if (!block)
        return false;
    items = static_cast<T*>(block);
    room = grown;
    return true;
}
