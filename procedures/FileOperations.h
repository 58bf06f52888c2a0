// COPY, MOVE and DELETE: files, patterns and whole trees, item by item; the
// first failing item stops the list with a message naming it.
#pragma once

#include "Procedure.h"

Procedure* ReadCopy(const String& sectionName);
bool ExecuteCopy(Procedure& procedure);
Procedure* ReadMove(const String& sectionName);
bool ExecuteMove(Procedure& procedure);
Procedure* ReadDelete(const String& sectionName);
bool ExecuteDelete(Procedure& procedure);
