#include "Engine.h"

#include <stdlib.h>

#include "ProgressWindow.h"
#include "Switch.h"
#include "foundation/Cursors.h"
#include "foundation/RunLog.h"
#include "procedures/TypeTable.h"
#include "script/Profile.h"
#include "system/Progress.h"

Procedure* LoadProcedure(const String& sectionName) {
    String mode;
    if (!ReadKey(sectionName.Text(), "MODE", mode))
        return nullptr;
    const ProcedureType* type = FindProcedureType(mode);
    if (!type) {
        ReportError(MsgBadSymbol, mode.Text());
        return nullptr;
    }
    return type->read(sectionName);
}

ProcedureList LoadProcedureList(const String& names, int count) {
    if (count <= 0) {
        ReportError(MsgBadProcedureCount);
        return nullptr;
    }
    ProcedureList list = static_cast<ProcedureList>(calloc(static_cast<size_t>(count) + 1, sizeof(Procedure*)));
    if (!list) {
        ReportError(MsgOutOfMemory, "ProcList");
        return nullptr;
    }
    ItemCursor items(names, ",");
    for (int i = 0; i < count; i++) {
        String sectionName = items.Next();
        sectionName.Trim(" ", " ");
        list[i] = LoadProcedure(sectionName);
        if (!list[i]) {
            FreeProcedureList(list);
            return nullptr;
        }
    }
    if (!PushList(list)) {
        ReportError(MsgOutOfMemory, "ProcListArray");
        FreeProcedureList(list);
        return nullptr;
    }
    return list;
}

static StepRunner stepRunner;

void SetStepRunner(StepRunner runner) { stepRunner = runner; }

bool RunProcedureList(ProcedureList list) {
    for (Procedure** slot = list; slot && *slot; slot++) {
        const ProcedureType* type = FindProcedureType((*slot)->mode);
        if (!type) {
            ReportError(MsgBadSymbol, (*slot)->mode.Text());
            return false;
        }
        // The user's stop from the progress window ends the run between steps.
        if (ProgressStopTaken())
            return false;
        LogLine("run %s (%s)", (*slot)->sectionName.Text(), (*slot)->mode.Text());
        BeginProgressFor((*slot)->mode);
        bool ran = stepRunner ? stepRunner(*type, **slot) : type->execute(**slot);
        EndProgressFor();
        LogItemsHeldBack();
        if (!ran)
            return false;
        // A SWITCH never sets its flag; its log line names the branch.
        if (type->execute != ExecuteSwitch)
            LogLine("  flag %d", (*slot)->conditionFlag);
    }
    return true;
}

int FreeProcedureList(ProcedureList list) {
    if (!list)
        return 0;
    for (Procedure** slot = list; *slot; slot++) {
        delete *slot;
        *slot = nullptr;
    }
    int depthLeft = RemoveList(list);
    free(list);
    return depthLeft;
}
