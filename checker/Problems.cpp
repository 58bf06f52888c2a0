#include "Problems.h"

#include <stdarg.h>

#include <new>

#include "foundation/Messages.h"

namespace {

struct Problem {
    Severity severity;
    int line;
    int check;
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

// The same section can be loaded by several lists; it is told once.
void AddProblem(Severity severity, int line, const char* section, int check, const String& text) {
    Problem** slot = &problems;
    for (; *slot && (*slot)->line <= line; slot = &(*slot)->next) {
        if (Same(**slot, severity, line, section, text.Text()))
            return;
    }
    Problem* problem =
        new (std::nothrow) Problem{severity, line, check, String(section), text, *slot};
    if (!problem)
        return;
    *slot = problem;
    (severity == Error ? errors : warnings)++;
}

// The number of the run's message: the one whose first line the text has.
int MessageNumber(const String& message) {
    String first = message.Item(0, "\n");
    for (int id = MsgFileNotFound; id <= MsgShellFailed; id++) {
        String text;
        LoadText(text, static_cast<unsigned>(id));
        if (!text.IsEmpty() && text.Item(0, "\n").EqualsNoCase(first.Text()))
            return id;
    }
    return 0;
}

} // namespace

void Report(Severity severity, int line, const char* section, int check, ...) {
    String format, text;
    LoadText(format, static_cast<unsigned>(check));
    va_list args;
    va_start(args, check);
    FormatV(text, format.Text(), args);
    va_end(args);
    AddProblem(severity, line, section, check, text);
}

void AddMessageProblem(int line, const char* section, const String& message) {
    String text = message;
    text.ReplaceAll("\n\n", " ");
    text.ReplaceAll("\n", " ");
    AddProblem(Error, line, section, MessageNumber(message), text);
}

int ErrorCount() { return errors; }
int WarningCount() { return warnings; }

String ProblemReport(const char* file, bool tabSeparated) {
    String report;
    for (Problem* p = problems; p; p = p->next) {
        const char* severity = p->severity == Error ? "error" : "warning";
        String line, text = p->text;
        if (tabSeparated) {
            text.ReplaceAll("\t", " ");
            Format(line, "%s\t%d\t%s\t%s\t%d\t%s\r\n", file, p->line, p->section.Text(), severity,
                   p->check, text.Text());
        } else {
            Format(line, "%s:%d: %s: %s: %s\r\n", file, p->line, p->section.Text(), severity,
                   text.Text());
        }
        report.Append(line.Text());
    }
    return report;
}
