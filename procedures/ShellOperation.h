// SHELL: copy, move, delete or rename through the shell's file operation,
// writing to the destination's name with ".tmp" appended, and only then
// putting the result in the destination's place.
#pragma once

#include "Procedure.h"

Procedure* ReadShellOperation(const String& sectionName);
bool ExecuteShellOperation(Procedure& procedure);
