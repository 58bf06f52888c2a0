#include "Run.h"

#include "Engine.h"
#include "UpdaterKeys.h"
#include "script/Profile.h"

bool ReadUpdaterSection() {
    updaterState.depth = 0;
    updaterState.lists.Clear();
    if (!ReadKey("UPDATER", updaterKeys[UpdaterName], updaterState.name))
        return false;
    return ReadKey("UPDATER", updaterKeys[UpdaterProc], updaterState.procList);
}

bool RunTop() {
    int count = updaterState.procList.ItemCount(",");
    if (count == 0) {
        ReportError(MsgNoItems, "UPDATER", "PROC");
        return false;
    }
    if (!LoadProcedureList(updaterState.procList, count))
        return false;
    if (!RunProcedureList(CurrentList()))
        return false;
    FreeProcedureList(CurrentList());
    return true;
}

void ReleaseAllLists() {
    while (FreeProcedureList(CurrentList()) != 0) {
    }
}
