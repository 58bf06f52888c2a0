// The procedure engine: a comma list of section names becomes a
// ProcedureList, loaded whole before anything runs, put on the list stack,
// run in order until the first false result, and released.
#pragma once

#include "procedures/Procedure.h"
#include "foundation/ByteBuffer.h"
#include "foundation/String.h"

// count + 1 slots; the last is always null.
typedef Procedure** ProcedureList;

struct UpdaterState {
    String name;      // NAME of UPDATER, expanded
    String procList;  // PROC of UPDATER, expanded
    int depth = 0;    // lists on the stack
    ByteBuffer lists; // the stack: one ProcedureList pointer per entry, bottom first
    bool stopAsked = false; // a MSGBOX answer stopped the run
};

extern UpdaterState updaterState;

// A loop that keeps choosing its own branch nests one list per pass; past
// this many lists the push fails like an exhausted heap and the run stops.
enum { MaxListDepth = 256 };

// Reads one procedure by its MODE and its type's reader; null after a report.
// The script checker loads procedures one by one through it.
Procedure* LoadProcedure(const String& sectionName);
// Reads every named procedure and pushes the new list; null after a report.
ProcedureList LoadProcedureList(const String& names, int count);
bool RunProcedureList(ProcedureList list);
// The script checker's dry run runs each step through its own runner;
// null (the program) runs the type's executor.
struct ProcedureType;
typedef bool (*StepRunner)(const ProcedureType& type, Procedure& procedure);
void SetStepRunner(StepRunner runner);
// Destroys the list's procedures, takes it off the stack; the depth left.
int FreeProcedureList(ProcedureList list);

ProcedureList CurrentList();
ProcedureList ListAt(int position);
bool PushList(ProcedureList list);
int RemoveList(ProcedureList list);
Procedure* FindProcedure(ProcedureList list, const String& sectionName);
