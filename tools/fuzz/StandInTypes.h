// The eighteen procedure types as stand-ins for the fuzz targets: each
// reads its type's keys in its reader's order through the common reader
// (ISWAIT as a number), so loading a list costs what it costs in the
// program; SWITCH is the real one. What the others run is the target's.
#pragma once

#include <string.h>

#include "engine/Switch.h"
#include "procedures/TypeTable.h"

struct StandInType {
    const char* mode;
    const char* keys[4];
};

const StandInType standIns[] = {
    {"EXIST", {"FILE"}}, {"DATE", {"FILE", "DATE"}}, {"SWITCH", {}}, {"MSGBOX", {"FLAG", "TYPE", "TEXT", "ISABORT"}},
    {"COPY", {"FROM", "TO"}}, {"LAUNCH", {"FILE", "PARAM", "ISWAIT"}}, {"DELETE", {"FILE"}},
    {"LINK", {"SRC", "PARAM", "SHOWCMD", "DST"}}, {"OSVER", {}}, {"MAKEDIR", {"DIR"}}, {"ATTR", {"FILE", "ARG"}},
    {"CRC", {"FILE", "TYPE", "CRC"}}, {"MOVE", {"FROM", "TO"}}, {"WAITAPP", {"APP", "TICK"}},
    {"APPEXIST", {"APP"}}, {"VERIFY", {"ARG1", "ARG2"}}, {"RSRC", {"FROM", "TO", "TYPE", "NAME"}},
    {"SHELL", {"FUNC", "FROM", "TO"}},
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
