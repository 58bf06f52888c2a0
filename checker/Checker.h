// The script checker: loads every procedure list that PROC and the SWITCH
// branches can reach with the updater's own readers and type table, runs
// nothing, and records what would stop a run or is likely a mistake.
#pragma once

#include "ScriptLines.h"
#include "foundation/String.h"

// The key reads the readers made, as written and as expanded.
struct KeyRead {
    String section;
    String key;
    String written;
    String expanded;
    bool absent;
    KeyRead* next;
};

// Every read, the latest first.
const KeyRead* KeyReads();
// The last read of that key of that section; null when it was never read.
const KeyRead* FindKeyRead(const char* section, const char* key);

// The line of a key of a section, or of the section, or `fallback`.
int LineOf(const char* section, const char* key, int fallback = 1);

extern ScriptLines scriptLines;

// Checks the script at runContext.scriptPath; the problems go to Problems.
void CheckScript();

// The checks of one loaded procedure that need no list (Rules.cpp).
void CheckProcedureValues(const String& sectionName, const String& mode);
