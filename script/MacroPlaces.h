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
    // While the table is expanded, a value already expanded is kept aside
    // (at `start` in another text, `length` bytes) until all are written
    // back into the table at once.
    void SetAside(int k, size_t start, size_t length);
    bool IsAside(int k) const { return places[k].asideLength >= 0; }
    size_t AsideStart(int k) const { return places[k].asideStart; }
    size_t AsideLength(int k) const { return static_cast<size_t>(places[k].asideLength); }
    // Puts every value kept aside in its entry's place, in one new text;
    // false (nothing changed) when there is no memory for it.
    bool WriteAside(String& entries, const char* aside);

private:
    struct Place {
        int start, nameEnd, valueStart, valueEnd, end;
        bool unusable;
        size_t asideStart;
        long long asideLength; // -1: the value stands in the table
    };
    const char* WalkEntry(const char* text, const char* p, int k);
    bool Index(const char* text);

    Place* places;
    int* slots; // entry + 1, 0 for a free slot
    int count;
    size_t slotCount;
};
