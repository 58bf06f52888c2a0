// The run log a script may ask for: one line per event, appended to the
// file and handed to the system as it happens, so a run that is killed
// leaves what it did up to then. The log never changes the run: one that
// cannot be opened or written is simply not written. It holds names,
// numbers and the texts of boxes, never the contents of files, in the
// bytes the script's values arrived in (its code page).
#pragma once

#include "String.h"

// Appends from now on to the file (created when missing); false when it
// cannot be opened, and the run then goes on without a log.
bool OpenRunLog(const String& path);

// One line of printf rules; line breaks in it become spaces. Nothing when
// no log is open.
void LogLine(const char* format, ...);

// Item `index` (from 0) of a procedure: its parallel items, quoted, and
// what came of it.
void LogItem(int index, const String* items, int count, const char* outcome);

// A box the run showed and the button that closed it.
void LogBox(const char* text, int answer);
