// Where each entry of the macro table lies and which entry a name finds
// first, found in one walk over the table: every group of every value asks
// for a name, and walking the table for each would cost its whole length.
#pragma once

#include <stddef.h>

#include "foundation/String.h"

class MacroPlaces {
public:
    constexpr MacroPlaces() : places(nullptr), slots(nullptr), count(0), slotCount(0) {}
    ~MacroPlaces() { Clear(); }
    MacroPlaces(const MacroPlaces&) : MacroPlaces() {}
    // A table assigned anew is walked anew.
    MacroPlaces& operator=(const MacroPlaces&) {
        Clear();
        return *this;
    }

    bool Known() const { return places != nullptr; }
    void Clear();
    // Entries 0..entryCount-1 as items of "\n"; false when there is no memory.
    bool Find(const String& entries, int entryCount);
    // The first entry whose name (item 0 of "=") is `name`, ASCII case
    // ignored; -1 when none.
    int Lookup(const char* text, const char* name, size_t nameLength) const;
    // Item 1 of entry k with the separator "=": its first byte and the byte
    // after it; both the entry's end when it holds no "=".
    int ValueStart(int k) const { return places[k].valueStart; }
    int ValueEnd(int k) const { return places[k].valueEnd; }
    bool HasValue(int k) const { return places[k].valueStart > places[k].nameEnd; }
    // Entry k's value became `length` bytes long: later entries move. False
    // when the new value cut the entry (it held a line feed): then the
    // places are found again from the text.
    bool ValueChanged(const String& entries, int entryCount, int k, int length);
    bool Usable(int k) const { return !places[k].unusable; }
    void MarkUnusable(int k) { places[k].unusable = true; }

private:
    struct Place {
        int start, nameEnd, valueStart, valueEnd, end;
        bool unusable;
    };
    const char* WalkEntry(const char* text, const char* p, int k);
    bool Index(const char* text);

    Place* places;
    int* slots; // entry + 1, 0 for a free slot
    int count;
    size_t slotCount;
};
