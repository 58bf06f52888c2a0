// What the checker found, in the order of the lines of the script: each
// problem has its line, its section, its severity, the number of its check
// (a text of the catalogue, or the run's message) and its text.
#pragma once

#include "foundation/String.h"

enum Severity { Warning, Error };

// The text is catalogue text `check` filled in with printf rules.
void Report(Severity severity, int line, const char* section, int check, ...);
// A message the run would show in its box, on one line; an error.
void AddMessageProblem(int line, const char* section, const String& message);

int ErrorCount();
int WarningCount();
// Every problem, sorted by line, each line named by `file`: either
// "file:line: section: severity: text" lines, or tab-separated fields.
String ProblemReport(const char* file, bool tabSeparated);

// Forgets every problem: the next check starts afresh.
void ClearProblems();
