#include "Programs.h"

#include "foundation/Numbers.h"
#include "foundation/RunLog.h"
#include "system/Keep.h"
#include "system/Process.h"

namespace {

struct LaunchRecord : Procedure {
    String files;      // FILE
    String parameters; // PARAM
    int wait = 0;      // ISWAIT; a value that is no number leaves it 0
};

struct AppExistRecord : Procedure {
    String applications; // APP
};

struct WaitAppRecord : Procedure {
    String applications; // APP
    String ticks;        // TICK, milliseconds per program
};

// items: the program and its parameters.
bool LaunchItem(Procedure& procedure, const String* items) {
    if (NoteLaunch(items[0]) && LaunchProgram(items[0], items[1], static_cast<LaunchRecord&>(procedure).wait))
        return true;
    ReportError(MsgLaunchFailed, items[0].Text(), items[1].Text());
    return false;
}

// The running processes, looked at as a step begins and again after a
// wait (those found before it may have ended, and their numbers gone to
// other processes); each look is charged to the run under the list key.
ProcessList running;
bool lookAgain;

bool LookAtProcesses(const Procedure& procedure) {
    lookAgain = false;
    if (!ChargeItem(procedure, "APP", ProcessListCost))
        return false;
    if (!IsDryRun())
        running.Take();
    return true;
}

// Whether the program ended or the time ran out makes no difference to
// the run, only to the log; one that is not running is simply passed. The
// user's stop from the progress window ends the wait and the run.
// items: the program and its tick.
bool WaitItem(Procedure& procedure, const String* items) {
    static const char* const outcomes[] = {"ended", "the wait ran out", "could not be waited for",
                                           "the user stopped the run"};
    if (lookAgain && !LookAtProcesses(procedure))
        return false;
    unsigned long processId = running.FindProgram(items[0]);
    if (!processId) {
        LogItemLine("  wait for \"%s\": not running", items[0].Text());
        return true;
    }
    unsigned long tick = static_cast<unsigned long>(ParseInt(items[1]));
    WaitOutcome outcome = WaitForProcessEnd(processId, tick);
    lookAgain = tick != 0;
    LogItemLine("  wait for \"%s\": %s", items[0].Text(), outcomes[outcome]);
    return outcome != WaitStopped;
}

bool IsRunning(const String& program) { return running.FindProgram(program) != 0; }

} // namespace

Procedure* ReadLaunch(const String& sectionName) {
    return ReadRecord<LaunchRecord>(sectionName, "LAUNCH_INFO", {
        {"FILE", &LaunchRecord::files},
        {"PARAM", &LaunchRecord::parameters},
        {"ISWAIT", &LaunchRecord::wait},
    });
}

bool ExecuteLaunch(Procedure& procedure) {
    LaunchRecord& record = static_cast<LaunchRecord&>(procedure);
    const String* lists[] = {&record.files, &record.parameters};
    return RunActionItems(record, "FILE", lists, LaunchItem);
}

Procedure* ReadAppExist(const String& sectionName) {
    return ReadRecord<AppExistRecord>(sectionName, "APPEXIST_INFO", {
        {"APP", &AppExistRecord::applications},
    });
}

// Set when every listed program is running.
bool ExecuteAppExist(Procedure& procedure) {
    AppExistRecord& record = static_cast<AppExistRecord&>(procedure);
    if (record.applications.ItemCount(",") > 0 && !LookAtProcesses(record))
        return false;
    bool ran = RunEveryItemTest(record, record.applications, "APP", IsRunning);
    running.Forget();
    return ran;
}

Procedure* ReadWaitApp(const String& sectionName) {
    return ReadRecord<WaitAppRecord>(sectionName, "WAITAPP_INFO", {
        {"APP", &WaitAppRecord::applications},
        {"TICK", &WaitAppRecord::ticks},
    });
}

bool ExecuteWaitApp(Procedure& procedure) {
    WaitAppRecord& record = static_cast<WaitAppRecord&>(procedure);
    const String* lists[] = {&record.applications, &record.ticks};
    if (record.applications.ItemCount(",") > 0 && !LookAtProcesses(record))
        return false;
    bool ran = RunActionItems(record, "APP", lists, WaitItem);
    running.Forget();
    return ran;
}
