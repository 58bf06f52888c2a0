// The macro table: names in angle brackets and their values, from the
// script's section DEFINE and six built-in macros. Built once at start-up,
// only read afterwards.
#pragma once

#include "Expand.h"
#include "MacroPlaces.h"
#include "foundation/String.h"

struct MacroTable {
    int entryCount = 0;
    // Entry k is item k with the separator "\n", of the form name=value.
    String entries;
    // Found again after every change but an expanded value.
    MacroPlaces places;
    // An allocation failed while the table was built: no entry can be
    // trusted, and every lookup fails.
    bool lost = false;
};

extern MacroTable macroTable;

// DEFINE first, then the built-in macros it did not name, then every value
// expanded once. Always true.
bool BuildMacroTable();
// Changes the first entry of that name in place, or adds one at the end.
void SetMacro(const char* name, const char* value);
// The value of the first entry of that name (ASCII case ignored).
bool LookupMacro(const char* name, String& value);
// The same, failed for an entry whose own expansion failed at start-up, or
// when there is no memory to look.
ExpandStep LookupMacroStep(const char* name, String& value);
// Expands every value once, in table order, against the table as it stands.
// A value that cannot be expanded stays as written, and its entry unusable.
void ExpandMacroTable();
