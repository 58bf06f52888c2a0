// The record every procedure type builds on, and what readers and executors
// share: the common reader and the item-list convention.
#pragma once

#include <new>

#include "foundation/Cursors.h"
#include "foundation/Messages.h"
#include "foundation/String.h"
#include "script/RunBudget.h"

struct Procedure {
    String sectionName;         // as it stood in the procedure list, trimmed
    String mode;                // MODE as read and expanded
    unsigned char conditionFlag = 0;
    virtual ~Procedure() {}
};

typedef Procedure* (*ProcedureReader)(const String& sectionName);
typedef bool (*ProcedureExecutor)(Procedure& procedure);

// One key of a type, read into a String field (or, for ISWAIT, an int).
struct KeyBinding {
    const char* key;
    String* text;
    int* number;
};

// Allocates a record; message 3 with its record name when that fails.
template <class Record>
Record* NewRecord(const String& sectionName, const char* recordName) {
    Record* record = new (std::nothrow) Record;
    if (!record) {
        ReportError(MsgOutOfMemory, recordName);
        return nullptr;
    }
    record->sectionName = sectionName;
    return record;
}

// Reads MODE and then every key in order. At the first missing key (message
// 2 has been shown) the record is deleted and null returned.
Procedure* ReadKeys(Procedure* record, const KeyBinding* keys, int keyCount);

// One key of a type and the field of its record that receives it.
template <class Record>
struct RecordKey {
    RecordKey(const char* key, String Record::*text) : key(key), text(text), number(nullptr) {}
    RecordKey(const char* key, int Record::*number) : key(key), text(nullptr), number(number) {}
    const char* key;
    String Record::*text;
    int Record::*number;
};

// The common reader: allocates the record (message 3 with its name when
// that fails), then reads MODE and the keys in order.
template <class Record, int KeyCount>
Procedure* ReadRecord(const String& sectionName, const char* recordName,
                      const RecordKey<Record> (&keys)[KeyCount]) {
    Record* record = NewRecord<Record>(sectionName, recordName);
    if (!record)
        return nullptr;
    KeyBinding bindings[KeyCount];
    for (int i = 0; i < KeyCount; i++) {
        bindings[i].key = keys[i].key;
        bindings[i].text = keys[i].text ? &(record->*keys[i].text) : nullptr;
        bindings[i].number = keys[i].number ? &(record->*keys[i].number) : nullptr;
    }
    return ReadKeys(record, bindings, KeyCount);
}

// A type without keys of its own.
template <class Record>
Procedure* ReadRecord(const String& sectionName, const char* recordName) {
    Record* record = NewRecord<Record>(sectionName, recordName);
    return record ? ReadKeys(record, nullptr, 0) : nullptr;
}

// Charges the run for an item of the list key before it runs (or for what
// it reads, or for a look at the processes): false after message 2 names
// the section and the list key, as for a key read past the run's bound.
bool ChargeItem(const Procedure& procedure, const char* listKey, size_t price = ItemCost);

// The script checker's dry run: each step charges its items as the run does
// and passes over their work. Never set in the program.
void SetDryRun(bool dry);
bool IsDryRun();

// Item-list convention: the number of comma items of the list key's value;
// 0 after message 4 has named the section and the key.
int CountItemsOrReport(const Procedure& procedure, const String& list, const char* listKey);

// Item i of a comma list with its leading and trailing spaces removed
// (tabs stay); "" beyond the end.
String ListItem(const String& list, int i);

// The next item of a comma list, trimmed like ListItem.
String NextListItem(ItemCursor& items);

// Item-list convention of the action types: the list key's value and the
// lists read in parallel with it are walked together; the step gets item i
// of each, trimmed, in the order given, each charged to the run first. False
// at the first failing step (which has reported) or at an item that would
// pass the run's bound (message 2), otherwise the condition flag becomes 1.
enum { MaxParallelLists = 4 };
typedef bool (*ItemStep)(Procedure& procedure, const String* items);
bool RunActionItems(Procedure& procedure, const char* listKey, const String* const* lists,
                    int listCount, ItemStep step);

template <int ListCount>
bool RunActionItems(Procedure& procedure, const char* listKey,
                    const String* const (&lists)[ListCount], ItemStep step) {
    static_assert(ListCount <= MaxParallelLists, "too many parallel lists");
    return RunActionItems(procedure, listKey, lists, ListCount, step);
}

// A test over one list: the condition flag becomes 1 when every item
// passes. False only when the list key has no items (message 4) or an
// item would pass the run's bound (message 2).
typedef bool (*ItemTest)(const String& item);
bool RunEveryItemTest(Procedure& procedure, const String& list, const char* listKey, ItemTest test);

// The step of an action on one path: on failure the message names it.
typedef bool (*PathOperation)(const String& path);
bool DoPathItem(const String& path, PathOperation operation, MessageId failure);
