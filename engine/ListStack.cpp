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

// The stack's buffer holds at least `depth` entries; after a removal that
// found no memory it holds spare slots beyond them, which a push fills in
// place. Growing and shrinking work on a copy that is taken only when it
// succeeded: ByteBuffer empties a buffer it cannot resize, which would drop
// the lists below from the stack while depth still counts them.
bool PushList(ProcedureList list) {
    if (!list || updaterState.depth >= MaxListDepth)
        return false;
    unsigned used = static_cast<unsigned>(updaterState.depth) * sizeof list;
    if (updaterState.lists.Size() > used) {
        memcpy(updaterState.lists.Data() + used, &list, sizeof list);
    } else {
        ByteBuffer grown(updaterState.lists);
        if (grown.Size() != updaterState.lists.Size() || !grown.Append(&list, sizeof list))
            return false;
        updaterState.lists.Swap(grown);
    }
    updaterState.depth++;
    return true;
}

static void RemoveEntry(int position) {
    ByteBuffer& lists = updaterState.lists;
    const unsigned entry = sizeof(ProcedureList);
    ByteBuffer rest(lists);
    if (rest.Size() == lists.Size())
        rest.Remove(position * entry, entry);
    if (rest.Size() == lists.Size() - entry) {
        lists.Swap(rest);
    } else {
        // No memory for the smaller copy: the entries above move down in
        // place and the last slot stays as spare room.
        unsigned char* at = lists.Data() + position * entry;
        memmove(at, at + entry, (updaterState.depth - 1 - position) * entry);
    }
    updaterState.depth--;
}

int RemoveList(ProcedureList list) {
    for (int position = updaterState.depth - 1; position >= 0; position--) {
        if (ListAt(position) == list) {
            RemoveEntry(position);
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
