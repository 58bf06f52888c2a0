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
// Entry `index` of the table in its order, types not built in included (their
// reader is null); null past the end. For the script checker.
const ProcedureType* ProcedureTypeAt(int index);
