#include "Messages.h"

#include <stdlib.h>

#include "Platform.h"
#include "RunLog.h"

namespace {

const int FormatArea = 1024;
const int MessageArea = 256;
// Beyond this a message is cut: nobody reads a longer box.
const int LargestFormatArea = 64 * 1024;

const String* reportCaption;

// C runtimes differ on overflow (-1 or the full length), so both mean
// "did not fit".
bool FitsInto(char* area, int areaSize, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int written = PlatformFormat(area, areaSize, format, copy);
    va_end(copy);
    area[areaSize - 1] = 0;
    return written >= 0 && written < areaSize;
}

} // namespace

void FormatV(String& target, const char* format, va_list args) {
    char fixedArea[FormatArea];
    if (FitsInto(fixedArea, FormatArea, format, args)) {
        target.Assign(fixedArea);
        return;
    }
    for (int areaSize = FormatArea * 2; areaSize <= LargestFormatArea; areaSize *= 2) {
        char* area = static_cast<char*>(malloc(static_cast<size_t>(areaSize)));
        if (!area)
            break;
        bool fits = FitsInto(area, areaSize, format, args);
        if (fits || areaSize == LargestFormatArea) {
            target.Assign(area);
            free(area);
            return;
        }
        free(area);
    }
    target.Assign(fixedArea);
}

void Format(String& target, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(target, format, args);
    va_end(args);
}

void LoadText(String& target, unsigned id) {
    char area[MessageArea];
    PlatformLoadText(id, area, MessageArea);
    target.Assign(area);
}

static void LoadMessageV(String& target, int id, va_list args) {
    char area[MessageArea];
    PlatformLoadText(static_cast<unsigned>(id), area, MessageArea);
    FormatV(target, area, args);
}

void LoadMessage(String& target, int id, ...) {
    va_list args;
    va_start(args, id);
    LoadMessageV(target, id, args);
    va_end(args);
}

void SetReportCaption(const String* caption) { reportCaption = caption; }

const char* ReportCaption() { return reportCaption ? reportCaption->Text() : ""; }

// `line`: a paragraph below the message, or empty.
static void Report(const String& line, int id, va_list args) {
    String message;
    LoadMessageV(message, id, args);
    NoteSystemError();
    if (!line.IsEmpty()) {
        message.Append("\n\n");
        message.Append(line.Text());
    }
    PlatformShowBox(message.Text(), ReportCaption(), ErrorBoxStyle, true);
}

void ReportError(int id, ...) {
    va_list args;
    va_start(args, id);
    Report(String(), id, args);
    va_end(args);
}

void ReportErrorAt(const String& entry, int id, ...) {
    String line;
    if (!entry.IsEmpty())
        Format(line, "\"%s\"", entry.Text());
    va_list args;
    va_start(args, id);
    Report(line, id, args);
    va_end(args);
}

void ReportErrorNoted(const String& note, int id, ...) {
    va_list args;
    va_start(args, id);
    Report(note, id, args);
    va_end(args);
}
