// The run's bounds for the script as written: after its own pass, the
// checker runs the script dry through the program's engine, readers and
// budget. Each list is loaded as the run loads it, each section as many
// times as its lists name it, and each step charges its items as the run
// does (Procedure.h) and passes over their work. VERIFY, OSVER and SWITCH
// run as in the program; the outcome of any other step cannot be known
// before the run, so a SWITCH on one ends the dry run there. Where the run
// would pass its bound of work (message 2) or nest its lists too deep
// (message 3), the checker tells it.
#include "Checker.h"

#include "CheckTexts.h"
#include "Problems.h"
#include "engine/Engine.h"
#include "engine/Run.h"
#include "engine/Switch.h"
#include "foundation/Platform.h"
#include "procedures/TypeTable.h"
#include "script/Macros.h"
#include "script/Profile.h"

namespace {

// The flag of a step whose outcome the dry run cannot know.
const unsigned char UnknownFlag = 0xFF;

int stepsRun;
Procedure* running; // the step being run, innermost
String failedSection, failedKey;
bool told;

void ObserveRead(const char* section, const char* key, const char* written, const char*) {
    if (written)
        return;
    failedSection.Assign(section);
    failedKey.Assign(key);
}

// Every report ends the dry run; only the bounds are told here, the pass
// has told the rest.
int EndOfRun(const char*, const char*, unsigned) {
    if (told)
        return 1;
    if (RunWorkPassed()) {
        const char* section = failedSection.Text();
        Report(Error, LineOf(section, failedKey.Text()), section, CheckRunBound, failedKey.Text(), stepsRun);
        told = true;
    } else if (updaterState.depth >= MaxListDepth && running) {
        // The SWITCH being run could not put its branch on the list stack.
        Procedure* target = SwitchTarget(*running);
        const char* key = target && target->conditionFlag ? "1" : "0";
        const char* section = running->sectionName.Text();
        Report(Error, LineOf(section, key), section, CheckListDepth, key, static_cast<int>(MaxListDepth));
        told = true;
    }
    return 1;
}

bool RunStep(const ProcedureType& type, Procedure& procedure) {
    const String& mode = procedure.mode;
    if (mode.EqualsNoCase("SWITCH")) {
        Procedure* target = SwitchTarget(procedure);
        return !(target && target->conditionFlag == UnknownFlag) && type.execute(procedure);
    }
    bool known = mode.EqualsNoCase("VERIFY") || mode.EqualsNoCase("OSVER");
    // No box is shown; the other executors only charge their items.
    bool ran = mode.EqualsNoCase("MSGBOX") || !type.execute || type.execute(procedure);
    if (!known || !type.execute)
        procedure.conditionFlag = UnknownFlag;
    return ran;
}

bool RunDry(const ProcedureType& type, Procedure& procedure) {
    Procedure* outer = running;
    running = &procedure;
    bool ran = RunStep(type, procedure);
    running = outer;
    if (ran)
        stepsRun++;
    return ran;
}

} // namespace

void CheckRunBounds() {
    stepsRun = 0;
    running = nullptr;
    told = false;
    SetBoxHook(EndOfRun);
    SetKeyReadObserver(ObserveRead);
    SetStepRunner(RunDry);
    SetDryRun(true);
    BuildMacroTable();
    if (ReadUpdaterSection())
        RunTop();
    ReleaseAllLists();
    SetDryRun(false);
    SetStepRunner(nullptr);
    SetKeyReadObserver(nullptr);
    SetBoxHook(nullptr);
}
