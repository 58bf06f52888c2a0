#include "RunLog.h"

#include <stdarg.h>

#include "Messages.h"
#include "Platform.h"

static String logPath;
static unsigned startTime;
static bool errorNoted;
static unsigned notedError;
static unsigned long long logged; // bytes this run wrote to its log
static int heldBack;              // item lines of the step not written

bool OpenRunLog(const String& path) {
    if (!PlatformAppendLog(path.Text(), "", 0))
        return false;
    if (logPath.IsEmpty())
        startTime = PlatformMilliseconds();
    logPath = path;
    return !logPath.IsEmpty();
}

static void WriteLine(const char* format, va_list args) {
    String line, text;
    FormatV(text, format, args);
    unsigned elapsed = PlatformMilliseconds() - startTime;
    Format(line, "%5u.%03u ", elapsed / 1000, elapsed % 1000);
    line.Append(text.Text());
    for (char* p = line.Text(); *p; p++) {
        if (*p == '\r' || *p == '\n')
            *p = ' ';
    }
    if (line.Append("\r\n") &&
        PlatformAppendLog(logPath.Text(), line.Text(), static_cast<unsigned>(line.Length())))
        logged += line.Length();
}

void LogLine(const char* format, ...) {
    if (logPath.IsEmpty())
        return;
    va_list args;
    va_start(args, format);
    WriteLine(format, args);
    va_end(args);
}

// Whether an item line may still be written; one that may not is counted.
static bool ItemLineFits() {
    if (logPath.IsEmpty())
        return false;
    if (logged < ItemLogBound)
        return true;
    heldBack++;
    return false;
}

void LogItemLine(const char* format, ...) {
    if (!ItemLineFits())
        return;
    va_list args;
    va_start(args, format);
    WriteLine(format, args);
    va_end(args);
}

static void WriteItem(int index, const String* items, int count, const char* outcome) {
    String quoted;
    for (int k = 0; k < count; k++) {
        quoted.Append(k ? ", \"" : "\"");
        quoted.Append(items[k].Text());
        quoted.Append("\"");
    }
    LogLine("  item %d: %s: %s", index + 1, quoted.Text(), outcome);
}

void LogItem(int index, const String* items, int count, const char* outcome) {
    if (ItemLineFits())
        WriteItem(index, items, count, outcome);
}

// The item that failed explains the run's end: written past the bound too.
void LogFailedItem(int index, const String* items, int count) {
    if (logPath.IsEmpty())
        return;
    String outcome("failed, ");
    outcome.Append(SystemErrorText().Text());
    WriteItem(index, items, count, outcome.Text());
}

void LogItemsHeldBack() {
    if (heldBack)
        LogLine("  %d more item lines, not logged: the log of this run passed %u bytes", heldBack, ItemLogBound);
    heldBack = 0;
}

void LogBox(const char* text, int answer, bool silent, bool shut) {
    static const char* const answers[] = {"none", "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO"};
    // The text last, as it is: it may hold quotes of its own.
    LogLine("  box %s%s: %s", answers[answer >= 0 && answer <= 7 ? answer : 0],
            silent ? " (silent run: the default button)" : shut ? " (not shown: the user stopped the run)" : "",
            text);
}

void BeginStep() {
    errorNoted = false;
    PlatformClearLastError();
}

void NoteSystemError() {
    if (errorNoted)
        return;
    notedError = PlatformLastError();
    errorNoted = true;
}

String SystemErrorText() {
    String text;
    if (!errorNoted)
        NoteSystemError();
    if (notedError == 0)
        return String("no system error");
    char area[256];
    PlatformErrorText(notedError, area, sizeof area);
    Format(text, "error %u: %s", notedError, area);
    return text;
}
