// SWITCH: the script's only branch. Runs the list under key "1" or "0" as a
// list of its own on top of the stack, by another procedure's condition flag.
#pragma once

#include "procedures/Procedure.h"

Procedure* ReadSwitch(const String& sectionName);
bool ExecuteSwitch(Procedure& procedure);
// The procedure of the running list that a SWITCH's PROC names, or null.
Procedure* SwitchTarget(Procedure& procedure);
