// What the checker found, told as it goes: each problem has its line, its
// section, its severity, the number of its check (a text of the catalogue,
// or the run's message) and its text. Problems are held in a batch of
// bounded size and told sorted by line when the batch is full or the check
// ends, so a script with fewer problems than a batch holds is told in the
// order of its lines; past MaxToldProblems they are only counted.
#pragma once

#include "foundation/String.h"

enum Severity { Warning, Error };

// At most this many problems are told, and a batch holds at most
// BatchBytes of their text: the checker's memory for problems stays bounded
// whatever the script.
enum { MaxToldProblems = 10000, BatchBytes = 1 << 20 };

// Receives the told lines: "file:line: section: severity: text" lines, or
// tab-separated fields, each ended by "\r\n".
typedef void (*ProblemPrinter)(const String& lines);
void TellProblemsTo(const char* file, bool tabSeparated, ProblemPrinter print);

// The text is catalogue text `check` filled in with printf rules.
void Report(Severity severity, int line, const char* section, int check, ...);
// A problem of item `item` (from 1) of a list, whose text (catalogue text
// `check` and the arguments) names the item and its number: a run of items
// of one key that give the same problem is told once, at its first item,
// with how many more items follow it.
void ReportItem(Severity severity, int line, const char* section, int check, int item, const char* itemText, ...);
// A message the run would show in its box, on one line; an error.
void AddMessageProblem(int line, const char* section, const String& message);

// Tells what is held, then how many problems were not told.
void FinishProblems();

int ErrorCount();
int WarningCount();

// Forgets every problem: the next check starts afresh.
void ClearProblems();
