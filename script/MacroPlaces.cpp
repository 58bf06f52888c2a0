#include "MacroPlaces.h"

#include <stdlib.h>
#include <string.h>

#include "foundation/Multibyte.h"

namespace {

// Names equal but for the case of ASCII letters hash alike; so may others.
size_t HashName(const char* name, size_t length) {
    size_t hash = 2166136261u;
    for (size_t i = 0; i < length; i++)
        hash = (hash ^ (static_cast<unsigned char>(name[i]) | 0x20)) * 16777619u;
    return hash;
}

} // namespace

void MacroPlaces::Clear() {
    free(places);
    free(slots);
    places = nullptr;
    slots = nullptr;
    count = 0;
}

// Entry k from `p` on, character by character, so that a lead byte takes
// the byte after it along as every item search does; returns where the next
// entry starts. Past the last item an entry is empty.
const char* MacroPlaces::WalkEntry(const char* text, const char* p, int k) {
    Place& place = places[k];
    place.start = static_cast<int>(p - text);
    place.nameEnd = place.valueStart = place.valueEnd = -1;
    for (; *p && *p != '\n'; p = NextChar(p)) {
        if (*p != '=')
            continue;
        int at = static_cast<int>(p - text);
        if (place.nameEnd < 0)
            place.nameEnd = at, place.valueStart = at + 1;
        else if (place.valueEnd < 0)
            place.valueEnd = at;
    }
    place.end = static_cast<int>(p - text);
    place.asideLength = -1;
    if (place.nameEnd < 0)
        place.nameEnd = place.valueStart = place.end;
    if (place.valueEnd < 0)
        place.valueEnd = place.end;
    return *p ? p + 1 : p;
}

bool MacroPlaces::Index(const char* text) {
    free(slots);
    for (slotCount = 16; slotCount < static_cast<size_t>(count) * 2; slotCount *= 2) {
    }
    slots = static_cast<int*>(calloc(slotCount, sizeof *slots));
    if (!slots) {
        NoteFailedAllocation();
        Clear();
        return false;
    }
    for (int k = 0; k < count; k++) {
        const Place& place = places[k];
        size_t slot = HashName(text + place.start, static_cast<size_t>(place.nameEnd - place.start));
        while (slots[slot &= slotCount - 1])
            slot++;
        slots[slot] = k + 1;
    }
    return true;
}

bool MacroPlaces::Find(const String& entries, int entryCount) {
    Clear();
    if (entryCount <= 0)
        entryCount = 0;
    places = static_cast<Place*>(calloc(static_cast<size_t>(entryCount) + 1, sizeof *places));
    if (!places) {
        NoteFailedAllocation();
        return false;
    }
    count = entryCount;
    const char* p = entries.Text();
    for (int k = 0; k < count; k++)
        p = WalkEntry(entries.Text(), p, k);
    return Index(entries.Text());
}

// Probing from where a name hashes, the entries of that name are met in
// table order: the first met is the first entry.
int MacroPlaces::Lookup(const char* text, const char* name, size_t nameLength) const {
    if (!slots)
        return -1;
    for (size_t slot = HashName(name, nameLength); slots[slot &= slotCount - 1]; slot++) {
        const Place& place = places[slots[slot] - 1];
        if (static_cast<size_t>(place.nameEnd - place.start) == nameLength &&
            EqualsNoCase(text + place.start, name, static_cast<unsigned>(nameLength)))
            return slots[slot] - 1;
    }
    return -1;
}

bool MacroPlaces::ValueChanged(const String& entries, int entryCount, int k, int length) {
    Place& place = places[k];
    int moved = place.valueStart + length - place.valueEnd;
    int end = place.end + moved;
    WalkEntry(entries.Text(), entries.Text() + place.start, k);
    if (place.end != end) {
        Find(entries, entryCount);
        return false;
    }
    for (int j = k + 1; j < count; j++) {
        places[j].start += moved;
        places[j].nameEnd += moved;
        places[j].end += moved;
        places[j].valueStart += moved;
        places[j].valueEnd += moved;
    }
    return true;
}

void MacroPlaces::SetAside(int k, size_t start, size_t length) {
    places[k].asideStart = start;
    places[k].asideLength = static_cast<long long>(length);
}

// A value kept aside holds no "\n" and no "=" and does not end in a lead
// byte, so every entry keeps its items: the places are walked again where
// they now stand, and the names keep their slots.
bool MacroPlaces::WriteAside(String& entries, const char* aside) {
    const char* text = entries.Text();
    size_t length = strlen(text), newLength = length;
    for (int k = 0; k < count; k++)
        if (IsAside(k))
            newLength = newLength - static_cast<size_t>(places[k].valueEnd - places[k].valueStart) + AsideLength(k);
    char* block = static_cast<char*>(malloc(newLength + 1));
    if (!block) {
        NoteFailedAllocation();
        return false;
    }
    char* out = block;
    size_t from = 0;
    for (int k = 0; k < count; k++) {
        if (!IsAside(k))
            continue;
        size_t start = static_cast<size_t>(places[k].valueStart);
        memcpy(out, text + from, start - from);
        out += start - from;
        memcpy(out, aside + AsideStart(k), AsideLength(k));
        out += AsideLength(k);
        from = static_cast<size_t>(places[k].valueEnd);
    }
    memcpy(out, text + from, length - from + 1);
    entries.Adopt(block);
    const char* p = entries.Text();
    for (int k = 0; k < count; k++)
        p = WalkEntry(entries.Text(), p, k);
    return true;
}
