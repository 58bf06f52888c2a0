// The program procedures: LAUNCH starts programs, APPEXIST tests whether
// they run, WAITAPP waits a bounded time for them to end.
#pragma once

#include "Procedure.h"

Procedure* ReadLaunch(const String& sectionName);
bool ExecuteLaunch(Procedure& procedure);
Procedure* ReadAppExist(const String& sectionName);
bool ExecuteAppExist(Procedure& procedure);
Procedure* ReadWaitApp(const String& sectionName);
bool ExecuteWaitApp(Procedure& procedure);
