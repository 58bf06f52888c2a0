#include "RunLog.h"

#include <stdarg.h>

#include "Messages.h"
#include "Platform.h"

static bool logOpen;

bool OpenRunLog(const String& path) {
    logOpen = PlatformOpenLog(path.Text());
    return logOpen;
}

void LogLine(const char* format, ...) {
    if (!logOpen)
        return;
    String line;
    va_list args;
    va_start(args, format);
    FormatV(line, format, args);
    va_end(args);
    for (char* p = line.Text(); *p; p++) {
        if (*p == '\r' || *p == '\n')
            *p = ' ';
    }
    if (line.Append("\r\n"))
        PlatformWriteLog(line.Text(), static_cast<unsigned>(line.Length()));
}

void LogItem(int index, const String* items, int count, const char* outcome) {
    if (!logOpen)
        return;
    String quoted;
    for (int k = 0; k < count; k++) {
        quoted.Append(k ? ", \"" : "\"");
        quoted.Append(items[k].Text());
        quoted.Append("\"");
    }
    LogLine("  item %d: %s: %s", index + 1, quoted.Text(), outcome);
}

void LogBox(const char* text, int answer) {
    static const char* const answers[] = {"none", "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO"};
    LogLine("  box \"%s\": %s", text, answers[answer >= 0 && answer <= 7 ? answer : 0]);
}
