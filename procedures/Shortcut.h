// LINK: creates shell shortcut files (destination + ".LNK"), making their
// folders first. An action: the first shortcut that fails stops the run.
#pragma once

#include "Procedure.h"

Procedure* ReadShortcut(const String& sectionName);
bool ExecuteShortcut(Procedure& procedure);
