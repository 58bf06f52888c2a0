// The run log a script or the command line may ask for: one line per
// event, appended to the file and handed to the system as it happens, so a
// run that is killed leaves what it did up to then. The log never changes
// the run: one that cannot be opened or written is simply not written, and
// the file is not held between lines, so the run may delete it and its
// folder. It holds names, numbers, the texts of boxes and of the system's
// errors, never the contents of files, in the bytes the script's values
// arrived in (the system's ANSI code page, which its first line names).
// docs/script-reference.md has one line grammar per event.
#pragma once

#include "String.h"

// Appends from now on to the file (created when missing); false when it
// cannot be opened, and the run then goes on without a log.
bool OpenRunLog(const String& path);

// One line of printf rules, after the seconds since the log was opened
// ("    2.015 "); line breaks in it become spaces. Nothing when no log is
// open.
void LogLine(const char* format, ...);

// Item `index` (from 0) of a procedure: its parallel items, quoted, and
// what came of it. A failed item also names the system's error.
void LogItem(int index, const String* items, int count, const char* outcome);
void LogFailedItem(int index, const String* items, int count);

// The lines of items (LogItem, LogItemLine) are written while this run has
// written less than ItemLogBound bytes to its log; past it they are counted,
// and LogItemsHeldBack, at the end of each step, writes one line with the
// count. A failed item is always written. So the log of a run stays within
// the bound and a line for each step.
const unsigned ItemLogBound = 1u << 20;
void LogItemLine(const char* format, ...);
void LogItemsHeldBack();

// A box: the button that closed it ("none": it could not be shown; in a
// silent run the default button, which nobody saw), then its text.
void LogBox(const char* text, int answer, bool silent, bool shut = false);

// The explanation of a failure: a step begins with no error noted; the
// first report of a failure (ReportError, before its box) notes the
// system's last error, which `SystemErrorText` then gives as
// "error 32: <the system's text>", or "no system error".
void BeginStep();
void NoteSystemError();
String SystemErrorText();
