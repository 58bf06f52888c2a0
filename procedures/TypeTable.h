// The eighteen procedure types, looked up by MODE without regard to case.
#pragma once

#include "Procedure.h"

struct ProcedureType {
    const char* mode;
    ProcedureReader read;
    ProcedureExecutor execute;
};

// Null for a mode that is not in the table (or whose type is not built in).
const ProcedureType* FindProcedureType(const String& mode);
