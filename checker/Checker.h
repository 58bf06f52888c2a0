// The script checker: loads every procedure list that PROC and the SWITCH
// branches can reach with the updater's own readers and type table, runs
// nothing, and records what would stop a run or is likely a mistake. Each
// section is read once, however many lists name it, and every finding is
// kept where it is found in constant time.
#pragma once

#include "ScriptLines.h"
#include "foundation/Cursors.h"
#include "foundation/String.h"

// A key read the readers made, as written and as expanded.
struct KeyRead {
    String section;
    String key;
    String written;
    String expanded;
    bool absent;
    KeyRead* nextInSection; // the section's reads in the order they were made
};

// The read of that key of that section; one that is absent (with an empty
// key) when it was never read.
const KeyRead* FindKeyRead(const char* section, const char* key);
// The first read of the section, or null.
const KeyRead* FirstKeyRead(const char* section);

// The line of a key of a section, or of the section, or `fallback`.
int LineOf(const char* section, const char* key, int fallback = 1);

extern ScriptLines scriptLines;

// Checks the script at runContext.scriptPath; the problems go to Problems.
void CheckScript();

// The checks of one procedure's values that need no list (Rules.cpp), and
// of its numbers, CRC values and dates (Values.cpp).
void CheckProcedureValues(const String& sectionName, const String& mode);
void CheckNumbers(const String& sectionName, const String& mode);

// Whether the path names a folder on this machine (ScriptFile.cpp).
bool IsFolderHere(const String& path);

// Whether a list named the section.
bool IsReached(const String& section);

// What the script's lines show (ScriptChecks.cpp).
void CheckFileText();
void CheckRepeats();
// Keys of the section that its reader (`keys`, each after a space) never
// reads.
void CheckUnknownKeys(const String& section, const String& mode, const String& keys);
// Sections, but UPDATER and DEFINE, that no list named.
void ReportUnreached();

// Where the run as written passes its bound of work or nests its lists too
// deep (RunBounds.cpp).
void CheckRunBounds();
