// RSRC: copies resources of one module into an executable file, each under
// the language the source holds it in, in one update that is written whole
// or not at all.
#pragma once

#include "Procedure.h"

Procedure* ReadResources(const String& sectionName);
bool ExecuteResources(Procedure& procedure);
