#include "Problems.h"

#include <stdarg.h>
#include <stdlib.h>

#include <new>

#include "NameMap.h"
#include "foundation/Messages.h"
#include "foundation/TextBuilders.h"

namespace {

struct Problem {
    Severity severity;
    int line;
    int check;
    int order; // of the report: problems of one line keep it
    String section;
    String text;
};

Problem** problems; // in the order they were told
int problemCount, problemRoom;
NameMap told;       // every problem, to tell each once
int errors, warnings;

// The same section can be loaded by several lists; it is told once.
void AddProblem(Severity severity, int line, const char* section, int check, const String& text) {
    String name;
    Format(name, "%d %d %s", severity, line, section);
    if (told.Find(name.Text(), text.Text()) || !told.Set(name.Text(), text.Text(), &told))
        return;
    if (!MakeRoom(problems, problemCount, problemRoom, 64))
        return;
    Problem* problem = new (std::nothrow) Problem{severity, line, check, problemCount, String(section), text};
    if (!problem)
        return;
    problems[problemCount++] = problem;
    (severity == Error ? errors : warnings)++;
}

int ByLine(const void* a, const void* b) {
    const Problem& p = **static_cast<Problem* const*>(a);
    const Problem& q = **static_cast<Problem* const*>(b);
    if (p.line != q.line)
        return p.line < q.line ? -1 : 1;
    return p.order < q.order ? -1 : p.order > q.order;
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

void ClearProblems() {
    for (int i = 0; i < problemCount; i++)
        delete problems[i];
    free(problems);
    problems = nullptr;
    problemCount = problemRoom = errors = warnings = 0;
    told.Clear();
}

int ErrorCount() { return errors; }
int WarningCount() { return warnings; }

String ProblemReport(const char* file, bool tabSeparated) {
    Builder report;
    if (problemCount)
        qsort(problems, static_cast<size_t>(problemCount), sizeof(Problem*), ByLine);
    for (int i = 0; i < problemCount; i++) {
        const Problem* p = problems[i];
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
        report.Add(line.Text());
    }
    String text;
    report.TakeResult(text);
    return text;
}
