#include "FunctionCache.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct Answer {
    char* group; // null for a free slot
    char* value;
    ExpandStep step;
};

Answer* slots;
size_t slotCount, used;

size_t HashText(const char* text) {
    size_t hash = 2166136261u;
    for (; *text; text++)
        hash = (hash ^ static_cast<unsigned char>(*text)) * 16777619u;
    return hash;
}

Answer* SlotOf(Answer* table, size_t count, const char* group) {
    size_t slot = HashText(group) & (count - 1);
    while (table[slot].group && strcmp(table[slot].group, group) != 0)
        slot = (slot + 1) & (count - 1);
    return &table[slot];
}

// Doubles the table once it is half full; false when there is no memory.
bool MakeRoom() {
    if ((used + 1) * 2 <= slotCount)
        return true;
    size_t count = slotCount ? slotCount * 2 : 64;
    Answer* table = static_cast<Answer*>(calloc(count, sizeof *table));
    if (!table) {
        NoteFailedAllocation();
        return false;
    }
    for (size_t i = 0; i < slotCount; i++)
        if (slots[i].group)
            *SlotOf(table, count, slots[i].group) = slots[i];
    free(slots);
    slots = table;
    slotCount = count;
    return true;
}

} // namespace

bool FindFunctionAnswer(const char* group, ExpandStep& step, String& value) {
    if (!slots)
        return false;
    const Answer* answer = SlotOf(slots, slotCount, group);
    if (!answer->group || !value.Assign(answer->value))
        return false;
    step = answer->step;
    return true;
}

void KeepFunctionAnswer(const char* group, ExpandStep step, const String& value) {
    if (!MakeRoom())
        return;
    size_t groupLength = strlen(group) + 1, valueLength = strlen(value.Text()) + 1;
    char* block = static_cast<char*>(malloc(groupLength + valueLength));
    if (!block) {
        NoteFailedAllocation();
        return;
    }
    memcpy(block, group, groupLength);
    memcpy(block + groupLength, value.Text(), valueLength);
    Answer* answer = SlotOf(slots, slotCount, block);
    if (answer->group) {
        free(block);
        return;
    }
    *answer = {block, block + groupLength, step};
    used++;
}

void ForgetFunctionAnswers() {
    for (size_t i = 0; i < slotCount; i++)
        free(slots[i].group);
    free(slots);
    slots = nullptr;
    slotCount = used = 0;
}
