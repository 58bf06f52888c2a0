#include "NameMap.h"

#include <stdlib.h>
#include <string.h>

#include "foundation/String.h"

namespace {

// Names equal but for the case of ASCII letters hash alike.
size_t HashOf(const char* name) {
    size_t hash = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; p++) {
        unsigned char c = *p >= 'a' && *p <= 'z' ? static_cast<unsigned char>(*p - 32) : *p;
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

// A section and a key as one name; no name holds a line feed.
char* Joined(const char* section, const char* key) {
    size_t a = strlen(section), b = strlen(key);
    char* name = static_cast<char*>(malloc(a + b + 2));
    if (name) {
        memcpy(name, section, a);
        name[a] = '\n';
        memcpy(name + a + 1, key, b + 1);
    }
    return name;
}

} // namespace

void NameMap::Clear() {
    for (size_t i = 0; i < slotCount; i++) {
        if (release && slots[i].name)
            release(slots[i].value);
        free(slots[i].name);
    }
    free(slots);
    slots = nullptr;
    slotCount = used = 0;
}

NameMap::Slot* NameMap::FindSlot(const char* name, size_t hash) const {
    for (size_t i = hash & (slotCount - 1);; i = (i + 1) & (slotCount - 1)) {
        Slot& slot = slots[i];
        if (!slot.name || (slot.hash == hash && EqualsNoCase(slot.name, name)))
            return &slot;
    }
}

bool NameMap::Grow() {
    size_t count = slotCount ? slotCount * 2 : 64;
    Slot* grown = static_cast<Slot*>(calloc(count, sizeof(Slot)));
    if (!grown)
        return false;
    Slot* old = slots;
    size_t oldCount = slotCount;
    slots = grown;
    slotCount = count;
    for (size_t i = 0; i < oldCount; i++)
        if (old[i].name)
            *FindSlot(old[i].name, old[i].hash) = old[i];
    free(old);
    return true;
}

void* NameMap::Find(const char* name) const {
    if (!slotCount)
        return nullptr;
    return FindSlot(name, HashOf(name))->value;
}

bool NameMap::Set(const char* name, void* value) {
    if ((used + 1) * 2 > slotCount && !Grow())
        return false;
    size_t hash = HashOf(name);
    Slot* slot = FindSlot(name, hash);
    if (!slot->name) {
        size_t length = strlen(name) + 1;
        char* copy = static_cast<char*>(malloc(length));
        if (!copy)
            return false;
        memcpy(copy, name, length);
        *slot = Slot{copy, hash, nullptr};
        used++;
    }
    slot->value = value;
    return true;
}

void* NameMap::Find(const char* section, const char* key) const {
    char* name = Joined(section, key);
    void* value = name ? Find(name) : nullptr;
    free(name);
    return value;
}

bool NameMap::Set(const char* section, const char* key, void* value) {
    char* name = Joined(section, key);
    bool done = name && Set(name, value);
    free(name);
    return done;
}
