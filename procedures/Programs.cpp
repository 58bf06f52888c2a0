#include "Programs.h"

#include "foundation/Numbers.h"
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

bool LaunchItem(Procedure& procedure, int i) {
    LaunchRecord& record = static_cast<LaunchRecord&>(procedure);
    String file = ListItem(record.files, i);
    String parameters = ListItem(record.parameters, i);
    if (LaunchProgram(file, parameters, record.wait))
        return true;
    ReportError(MsgLaunchFailed, file.Text(), parameters.Text());
    return false;
}

// Whether the program ended or the time ran out makes no difference, and
// one that is not running is simply passed.
bool WaitItem(Procedure& procedure, int i) {
    WaitAppRecord& record = static_cast<WaitAppRecord&>(procedure);
    unsigned long processId = FindProcess(ListItem(record.applications, i));
    if (processId)
        WaitForProcessEnd(processId, static_cast<unsigned long>(ParseInt(ListItem(record.ticks, i))));
    return true;
}

} // namespace

Procedure* ReadLaunch(const String& sectionName) {
    LaunchRecord* record = NewRecord<LaunchRecord>(sectionName, "LAUNCH_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"FILE", &record->files, nullptr},
                               {"PARAM", &record->parameters, nullptr},
                               {"ISWAIT", nullptr, &record->wait}};
    return ReadKeys(record, keys);
}

bool ExecuteLaunch(Procedure& procedure) {
    LaunchRecord& record = static_cast<LaunchRecord&>(procedure);
    return RunActionItems(record, record.files, "FILE", LaunchItem);
}

Procedure* ReadAppExist(const String& sectionName) {
    AppExistRecord* record = NewRecord<AppExistRecord>(sectionName, "APPEXIST_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"APP", &record->applications, nullptr}};
    return ReadKeys(record, keys);
}

// Set when every listed program is running.
bool ExecuteAppExist(Procedure& procedure) {
    AppExistRecord& record = static_cast<AppExistRecord&>(procedure);
    int count = CountItemsOrReport(record, record.applications, "APP");
    if (count == 0)
        return false;
    for (int i = 0; i < count; i++) {
        if (!FindProcess(ListItem(record.applications, i)))
            return true;
    }
    record.conditionFlag = 1;
    return true;
}

Procedure* ReadWaitApp(const String& sectionName) {
    WaitAppRecord* record = NewRecord<WaitAppRecord>(sectionName, "WAITAPP_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"APP", &record->applications, nullptr}, {"TICK", &record->ticks, nullptr}};
    return ReadKeys(record, keys);
}

bool ExecuteWaitApp(Procedure& procedure) {
    WaitAppRecord& record = static_cast<WaitAppRecord&>(procedure);
    return RunActionItems(record, record.applications, "APP", WaitItem);
}
