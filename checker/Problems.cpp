#include "Problems.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "CheckTexts.h"
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

Problem** problems; // the batch, in the order they were told
int problemCount, problemRoom;
size_t batchBytes;
NameMap told;       // the batch's problems, to tell each once
int errors, warnings, kept, notTold;

const char* printFile = "";
bool printTabs;
ProblemPrinter printer;

// The run of items that gave one problem, held until an item gives another.
struct ItemRun {
    bool open;
    Severity severity;
    int line, check, first, last;
    String section, item, text;
} run;

int ByLine(const void* a, const void* b) {
    const Problem& p = **static_cast<Problem* const*>(a);
    const Problem& q = **static_cast<Problem* const*>(b);
    if (p.line != q.line)
        return p.line < q.line ? -1 : 1;
    return p.order < q.order ? -1 : p.order > q.order;
}

void FreeBatch() {
    for (int i = 0; i < problemCount; i++)
        delete problems[i];
    problemCount = 0;
    batchBytes = 0;
    told.Clear();
}

// Prints the batch sorted by line and lets it go.
void PrintBatch() {
    Builder report;
    if (problemCount)
        qsort(problems, static_cast<size_t>(problemCount), sizeof(Problem*), ByLine);
    for (int i = 0; i < problemCount; i++) {
        const Problem* p = problems[i];
        const char* severity = p->severity == Error ? "error" : "warning";
        String line, text = p->text;
        if (printTabs) {
            text.ReplaceAll("\t", " ");
            Format(line, "%s\t%d\t%s\t%s\t%d\t%s\r\n", printFile, p->line, p->section.Text(), severity,
                   p->check, text.Text());
        } else {
            Format(line, "%s:%d: %s: %s: %s\r\n", printFile, p->line, p->section.Text(), severity,
                   text.Text());
        }
        report.Add(line.Text());
    }
    String text;
    report.TakeResult(text);
    if (printer && !text.IsEmpty())
        printer(text);
    FreeBatch();
}

// The same section can be loaded by several lists; it is told once.
void AddProblem(Severity severity, int line, const char* section, int check, const String& text) {
    String name;
    Format(name, "%d %d %s", severity, line, section);
    if (told.Find(name.Text(), text.Text()))
        return;
    (severity == Error ? errors : warnings)++;
    if (kept >= MaxToldProblems) {
        notTold++;
        return;
    }
    if (batchBytes + text.Length() > BatchBytes)
        PrintBatch();
    if (!told.Set(name.Text(), text.Text(), &told) || !MakeRoom(problems, problemCount, problemRoom, 64))
        return;
    Problem* problem = new (std::nothrow) Problem{severity, line, check, problemCount, String(section), text};
    if (!problem)
        return;
    problems[problemCount++] = problem;
    batchBytes += text.Length() + name.Length();
    kept++;
}

// Tells the run of items held back: its first item's problem, and how many
// items after it gave the same.
void CloseRun() {
    if (!run.open)
        return;
    run.open = false;
    String text = run.text;
    if (run.last > run.first) {
        String format;
        LoadText(format, TextMoreAlike);
        Format(text, format.Text(), run.text.Text(), run.last - run.first, run.last);
    }
    AddProblem(run.severity, run.line, run.section.Text(), run.check, text);
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

String Filled(int check, va_list args) {
    String format, text;
    LoadText(format, static_cast<unsigned>(check));
    FormatV(text, format.Text(), args);
    return text;
}

} // namespace

void TellProblemsTo(const char* file, bool tabSeparated, ProblemPrinter print) {
    printFile = file;
    printTabs = tabSeparated;
    printer = print;
}

void Report(Severity severity, int line, const char* section, int check, ...) {
    CloseRun();
    va_list args;
    va_start(args, check);
    String text = Filled(check, args);
    va_end(args);
    AddProblem(severity, line, section, check, text);
}

void ReportItem(Severity severity, int line, const char* section, int check, int item, const char* itemText, ...) {
    if (run.open && run.severity == severity && run.line == line && run.check == check && run.last + 1 == item &&
        strcmp(run.item.Text(), itemText) == 0 && strcmp(run.section.Text(), section) == 0) {
        run.last = item;
        return;
    }
    CloseRun();
    va_list args;
    va_start(args, itemText);
    String text = Filled(check, args);
    va_end(args);
    run.open = true;
    run.severity = severity;
    run.line = line;
    run.check = check;
    run.first = run.last = item;
    run.section.Assign(section);
    run.item.Assign(itemText);
    run.text = text;
}

void AddMessageProblem(int line, const char* section, const String& message) {
    CloseRun();
    String text = message;
    text.ReplaceAll("\n\n", " ");
    text.ReplaceAll("\n", " ");
    AddProblem(Error, line, section, MessageNumber(message), text);
}

void FinishProblems() {
    CloseRun();
    PrintBatch();
    if (!notTold || !printer || printTabs)
        return;
    String format, text;
    LoadText(format, TextNotTold);
    Format(text, format.Text(), notTold, static_cast<int>(MaxToldProblems));
    printer(text + "\r\n");
}

void ClearProblems() {
    run.open = false;
    FreeBatch();
    free(problems);
    problems = nullptr;
    problemRoom = errors = warnings = kept = notTold = 0;
}

int ErrorCount() { return errors; }
int WarningCount() { return warnings; }
