#include "Problems.h"

#include <stdarg.h>

#include <new>

#include "foundation/Messages.h"

namespace {

struct Problem {
    Severity severity;
    int line;
    String section;
    String text;
    Problem* next;
};

Problem* problems;
int errors, warnings;

bool Same(const Problem& p, Severity severity, int line, const char* section, const char* text) {
    return p.severity == severity && p.line == line && p.section.EqualsNoCase(section) &&
           p.text.EqualsNoCase(text);
}

} // namespace

// The same section can be loaded by several lists; it is told once.
void AddProblem(Severity severity, int line, const char* section, const char* text) {
    Problem** slot = &problems;
    for (; *slot && (*slot)->line <= line; slot = &(*slot)->next) {
        if (Same(**slot, severity, line, section, text))
            return;
    }
    Problem* problem = new (std::nothrow) Problem{severity, line, String(section), String(text), *slot};
    if (!problem)
        return;
    *slot = problem;
    (severity == Error ? errors : warnings)++;
}

void AddProblemF(Severity severity, int line, const char* section, const char* format, ...) {
    String text;
    va_list args;
    va_start(args, format);
    FormatV(text, format, args);
    va_end(args);
    AddProblem(severity, line, section, text.Text());
}

void AddMessageProblem(int line, const char* section, const String& message) {
    String text = message;
    text.ReplaceAll("\n\n", " ");
    text.ReplaceAll("\n", " ");
    AddProblem(Error, line, section, text.Text());
}

int ErrorCount() { return errors; }
int WarningCount() { return warnings; }

String ProblemReport(const char* file) {
    String report;
    for (Problem* p = problems; p; p = p->next) {
        String line;
        Format(line, "%s:%d: %s: %s: %s\r\n", file, p->line, p->section.Text(),
               p->severity == Error ? "error" : "warning", p->text.Text());
        report.Append(line.Text());
    }
    return report;
}
