// The eighteen procedure types as stand-ins for the fuzz targets: each
// reads its type's keys in its reader's order through the common reader
// (ISWAIT as a number), so loading a list costs what it costs in the
// program; SWITCH is the real one. What the others run is the target's;
// ChargeStandIn charges a step's items to the run as the program does
// (Procedure.h), without their work and without files to read.
#pragma once

#include <string.h>

#include "engine/Switch.h"
#include "procedures/TypeTable.h"

struct StandInType {
    const char* mode;
    const char* keys[4];
    int listKey;    // the key whose items the step runs, -1 for none
    bool processes; // the step looks at the running processes
};

const StandInType standIns[] = {
    {"EXIST", {"FILE"}, 0}, {"DATE", {"FILE", "DATE"}, 0}, {"SWITCH", {}, -1},
    {"MSGBOX", {"FLAG", "TYPE", "TEXT", "ISABORT"}, -1}, {"COPY", {"FROM", "TO"}, 0},
    {"LAUNCH", {"FILE", "PARAM", "ISWAIT"}, 0}, {"DELETE", {"FILE"}, 0}, {"LINK", {"SRC", "PARAM", "SHOWCMD", "DST"}, 0},
    {"OSVER", {}, -1}, {"MAKEDIR", {"DIR"}, 0}, {"ATTR", {"FILE", "ARG"}, 0}, {"CRC", {"FILE", "TYPE", "CRC"}, 0},
    {"MOVE", {"FROM", "TO"}, 0}, {"WAITAPP", {"APP", "TICK"}, 0, true}, {"APPEXIST", {"APP"}, 0, true},
    {"VERIFY", {"ARG1", "ARG2"}, -1}, {"RSRC", {"FROM", "TO", "TYPE", "NAME"}, 2}, {"SHELL", {"FUNC", "FROM", "TO"}, 1},
};
const int TypeCount = sizeof standIns / sizeof standIns[0];
const int SwitchIndex = 2;

struct StandInRecord : Procedure {
    String values[4];
    int number = 0;
};

template <int Index>
Procedure* ReadStandIn(const String& sectionName) {
    StandInRecord* record = NewRecord<StandInRecord>(sectionName, "STANDIN_INFO");
    if (!record)
        return nullptr;
    KeyBinding bindings[4];
    int count = 0;
    for (; count < 4 && standIns[Index].keys[count]; count++) {
        const char* key = standIns[Index].keys[count];
        bool number = strcmp(key, "ISWAIT") == 0;
        bindings[count] = {key, number ? nullptr : &record->values[count], number ? &record->number : nullptr};
    }
    return ReadKeys(record, bindings, count);
}

inline bool PassItem(const String&) { return true; }

// A step's items charged as the program charges them; false where the run
// would stop at its bound (message 2 has been shown).
inline bool ChargeStandIn(Procedure& procedure) {
    int type = 0;
    while (type < TypeCount && !procedure.mode.EqualsNoCase(standIns[type].mode))
        type++;
    if (type == TypeCount || standIns[type].listKey < 0)
        return true;
    const StandInType& standIn = standIns[type];
    const String& list = static_cast<StandInRecord&>(procedure).values[standIn.listKey];
    if (list.ItemCount(",") == 0)
        return true;
    if (standIn.processes && !ChargeItem(procedure, standIn.keys[0], ProcessListCost))
        return false;
    bool dry = IsDryRun();
    SetDryRun(true);
    bool charged = RunEveryItemTest(procedure, list, standIn.keys[standIn.listKey], PassItem);
    SetDryRun(dry);
    return charged;
}

// The table, every type but SWITCH running `run`.
template <ProcedureExecutor run, int... Index>
struct StandInTable {
    ProcedureType types[sizeof...(Index)] = {
        {standIns[Index].mode, Index == SwitchIndex ? ReadSwitch : ReadStandIn<Index>,
         Index == SwitchIndex ? ExecuteSwitch : run}...};

    const ProcedureType* At(int index) const { return index >= 0 && index < TypeCount ? &types[index] : nullptr; }

    const ProcedureType* Find(const String& mode) const {
        for (const ProcedureType& type : types)
            if (mode.EqualsNoCase(type.mode))
                return &type;
        return nullptr;
    }
};
