// MSGBOX: tell or ask the user, optionally only when another procedure's
// condition flag has a given value, and stop the run on the answer.
#pragma once

#include "Procedure.h"

Procedure* ReadMessageBox(const String& sectionName);
bool ExecuteMessageBox(Procedure& procedure);
