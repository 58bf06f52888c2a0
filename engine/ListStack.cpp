#include "Engine.h"

#include <string.h>

UpdaterState updaterState;

ProcedureList ListAt(int position) {
    if (position < 0 || position >= updaterState.depth)
        return nullptr;
    ProcedureList list;
    memcpy(&list, updaterState.lists.Data() + position * sizeof(ProcedureList), sizeof list);
    return list;
}

ProcedureList CurrentList() { return ListAt(updaterState.depth - 1); }

bool PushList(ProcedureList list) {
    if (!list || updaterState.depth >= MaxListDepth)
        return false;
    if (!updaterState.lists.Append(&list, sizeof list))
        return false;
    updaterState.depth++;
    return true;
}

int RemoveList(ProcedureList list) {
    for (int position = updaterState.depth - 1; position >= 0; position--) {
        if (ListAt(position) == list) {
            updaterState.depth--;
            updaterState.lists.Remove(position * sizeof list, sizeof list);
            break;
        }
    }
    return updaterState.depth;
}

Procedure* FindProcedure(ProcedureList list, const String& sectionName) {
    if (!list)
        return nullptr;
    for (Procedure** slot = list; *slot; slot++) {
        if ((*slot)->sectionName.EqualsNoCase(sectionName.Text()))
            return *slot;
    }
    return nullptr;
}
