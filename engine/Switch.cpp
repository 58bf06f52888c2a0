#include "Switch.h"

#include "Engine.h"
#include "foundation/RunLog.h"

namespace {

struct SwitchRecord : Procedure {
    String target;    // PROC
    String whenClear; // "0"
    String whenSet;   // "1"
};

} // namespace

Procedure* ReadSwitch(const String& sectionName) {
    return ReadRecord<SwitchRecord>(sectionName, "SWITCH_INFO", {
        {"PROC", &SwitchRecord::target},
        {"0", &SwitchRecord::whenClear},
        {"1", &SwitchRecord::whenSet},
    });
}

Procedure* SwitchTarget(Procedure& procedure) {
    String targetName = static_cast<SwitchRecord&>(procedure).target;
    targetName.Trim(" ", " ");
    return FindProcedure(CurrentList(), targetName);
}

bool ExecuteSwitch(Procedure& procedure) {
    SwitchRecord& record = static_cast<SwitchRecord&>(procedure);
    Procedure* target = SwitchTarget(procedure);
    if (!target) {
        ReportError(MsgBadSymbol, record.target.Text());
        return false;
    }
    const String& branch = target->conditionFlag ? record.whenSet : record.whenClear;
    int count = branch.ItemCount(",");
    LogLine("  branch %d: \"%s\"", target->conditionFlag ? 1 : 0, branch.Text());
    if (count == 0)
        return true;
    if (!LoadProcedureList(branch, count))
        return false;
    if (!RunProcedureList(CurrentList()))
        return false;
    FreeProcedureList(CurrentList());
    return true;
}
