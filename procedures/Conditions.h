// The tests VERIFY, EXIST, DATE and OSVER: each records its outcome in the
// condition flag and lets the run go on; only a missing file list stops it.
#pragma once

#include "Procedure.h"

Procedure* ReadVerify(const String& sectionName);
bool ExecuteVerify(Procedure& procedure);
Procedure* ReadExist(const String& sectionName);
bool ExecuteExist(Procedure& procedure);
Procedure* ReadDate(const String& sectionName);
bool ExecuteDate(Procedure& procedure);
Procedure* ReadOsVersion(const String& sectionName);
bool ExecuteOsVersion(Procedure& procedure);
