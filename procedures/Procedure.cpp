#include "Procedure.h"

#include "script/Profile.h"

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

bool RunActionItems(Procedure& procedure, const String& list, const char* listKey, ItemStep step) {
    int count = CountItemsOrReport(procedure, list, listKey);
    if (count == 0)
        return false;
    for (int i = 0; i < count; i++) {
        if (!step(procedure, i))
            return false;
    }
    procedure.conditionFlag = 1;
    return true;
}

bool DoPathItem(const String& list, int i, PathOperation operation, MessageId failure) {
    String path = ListItem(list, i);
    if (operation(path))
        return true;
    ReportError(failure, path.Text());
    return false;
}
