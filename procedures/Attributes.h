// ATTR sets the attributes of files named by a path or a pattern; MAKEDIR
// creates directory paths with every missing parent.
#pragma once

#include "Procedure.h"

Procedure* ReadAttributes(const String& sectionName);
bool ExecuteAttributes(Procedure& procedure);
Procedure* ReadMakeDirectory(const String& sectionName);
bool ExecuteMakeDirectory(Procedure& procedure);
