// What the checker found, one line each: "file:line: section: severity: text",
// in the order of the lines of the script.
#pragma once

#include "foundation/String.h"

enum Severity { Warning, Error };

void AddProblem(Severity severity, int line, const char* section, const char* text);
// The same with printf rules for the text.
void AddProblemF(Severity severity, int line, const char* section, const char* format, ...);
// A message of the catalogue, as the run would show it, on one line.
void AddMessageProblem(int line, const char* section, const String& message);

int ErrorCount();
int WarningCount();
// Every problem, sorted by line, each line named by `file`.
String ProblemReport(const char* file);
