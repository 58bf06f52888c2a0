#include "Procedure.h"

#include "foundation/RunLog.h"
#include "script/Profile.h"
#include "system/Progress.h"

static bool dryRun;

void SetDryRun(bool dry) { dryRun = dry; }

bool IsDryRun() { return dryRun; }

bool ChargeItem(const Procedure& procedure, const char* listKey, size_t price) {
    if (ChargeRunWork(price))
        return true;
    ReportUnreadable(procedure.sectionName.Text(), listKey);
    return false;
}

Procedure* ReadKeys(Procedure* record, const KeyBinding* keys, int keyCount) {
    const char* section = record->sectionName.Text();
    bool read = ReadKey(section, "MODE", record->mode);
    for (int i = 0; read && i < keyCount; i++) {
        if (keys[i].number)
            read = ReadIntKey(section, keys[i].key, *keys[i].number);
        else
            read = ReadKey(section, keys[i].key, *keys[i].text);
    }
    if (read)
        return record;
    delete record;
    return nullptr;
}

int CountItemsOrReport(const Procedure& procedure, const String& list, const char* listKey) {
    int count = list.ItemCount(",");
    if (count == 0)
        ReportError(MsgNoItems, procedure.sectionName.Text(), listKey);
    return count;
}

String ListItem(const String& list, int i) {
    String item = list.Item(i, ",");
    item.Trim(" ", " ");
    return item;
}

String NextListItem(ItemCursor& items) {
    String item = items.Next();
    item.Trim(" ", " ");
    return item;
}

bool RunActionItems(Procedure& procedure, const char* listKey, const String* const* lists,
                    int listCount, ItemStep step) {
    int count = CountItemsOrReport(procedure, *lists[0], listKey);
    if (count == 0)
        return false;
    ItemCursor cursors[MaxParallelLists];
    for (int k = 0; k < listCount; k++)
        cursors[k].Start(*lists[k], ",");
    for (int i = 0; i < count; i++) {
        String items[MaxParallelLists];
        for (int k = 0; k < listCount; k++)
            items[k] = NextListItem(cursors[k]);
        if (!ChargeItem(procedure, listKey))
            return false;
        if (dryRun)
            continue;
        if (ProgressStopTaken())
            return false;
        ProgressListItem(i, count, items[0].Text());
        BeginStep();
        if (!step(procedure, items)) {
            LogFailedItem(i, items, listCount);
            return false;
        }
        LogItem(i, items, listCount, "done");
    }
    procedure.conditionFlag = 1;
    return true;
}

bool RunEveryItemTest(Procedure& procedure, const String& list, const char* listKey, ItemTest test) {
    int count = CountItemsOrReport(procedure, list, listKey);
    if (count == 0)
        return false;
    ItemCursor items(list, ",");
    for (int i = 0; i < count; i++) {
        String item = NextListItem(items);
        if (!ChargeItem(procedure, listKey))
            return false;
        if (dryRun)
            continue;
        bool held = test(item);
        LogItem(i, &item, 1, held ? "held" : "not held");
        if (!held)
            return true;
    }
    procedure.conditionFlag = 1;
    return true;
}

bool DoPathItem(const String& path, PathOperation operation, MessageId failure) {
    if (operation(path))
        return true;
    ReportError(failure, path.Text());
    return false;
}
