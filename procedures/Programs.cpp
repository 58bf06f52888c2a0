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

// Whether the program ended or the time ran out makes no difference to
// the run, only to the log; one that is not running is simply passed.
// items: the program and its tick.
bool WaitItem(Procedure&, const String* items) {
    static const char* const outcomes[] = {"ended", "the wait ran out", "could not be waited for"};
    unsigned long processId = FindProcess(items[0]);
    if (!processId) {
        LogLine("  wait for \"%s\": not running", items[0].Text());
        return true;
    }
    WaitOutcome outcome = WaitForProcessEnd(processId, static_cast<unsigned long>(ParseInt(items[1])));
    LogLine("  wait for \"%s\": %s", items[0].Text(), outcomes[outcome]);
    return true;
}

bool IsRunning(const String& program) { return FindProcess(program) != 0; }

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
    return RunEveryItemTest(procedure, static_cast<AppExistRecord&>(procedure).applications, "APP",
                            IsRunning);
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
    return RunActionItems(record, "APP", lists, WaitItem);
}
