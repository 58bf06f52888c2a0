#include "Profile.h"

#include <string.h>
#include "Expand.h"
#include "RunBudget.h"
#include "foundation/TextBuilders.h"
#include "RunContext.h"
#include "ScriptPlatform.h"
#include "foundation/Messages.h"
#include "foundation/Numbers.h"

static const char AbsentValue[] = "NO_DATA";

static KeyReadObserver keyReadObserver;

void SetKeyReadObserver(KeyReadObserver observer) { keyReadObserver = observer; }

enum {
    ValueAreaSize = 32768, // on the heap: a value may fill all of it
    ValueReadSize = 32767,
    IntAreaSize = 260,
};

// The platform's answer for a key, or false when the key is absent.
static bool ReadRaw(const char* file, const char* section, const char* key, String& work,
                    unsigned areaSize, unsigned readSize) {
    if (!work.AllocBuffer(areaSize))
        return false;
    ScriptReadProfileString(file, section, key, AbsentValue, work.Text(), readSize);
    return !EqualsNoCase(work.Text(), AbsentValue);
}

bool ReadProfileString(const char* file, const char* section, const char* key, String& value) {
    String work;
    if (!ReadRaw(file, section, key, work, ValueAreaSize, ValueReadSize))
        return false;
    // A value that cannot be held is not read: taken as empty, a key such
    // as ISABORT would let a run go on that the script stops.
    return value.Assign(work.Text());
}

bool ReadProfileInt(const char* file, const char* section, const char* key, int& value) {
    String work;
    if (!ReadRaw(file, section, key, work, IntAreaSize, IntAreaSize))
        return false;
    // A value that is no number still counts as present and changes nothing.
    ScanDecimal(work.Text(), value);
    return true;
}

// The section arrives as zero-terminated lines ended by an empty one; the
// lines kept are joined with line feeds in place of their terminators, so
// the joined text never outgrows the work area.
int ReadProfileSection(const char* file, const char* section, String& lines) {
    String work, joined;
    if (!work.AllocBuffer(ValueAreaSize) || !joined.AllocBuffer(ValueAreaSize))
        return 0;
    ScriptReadProfileSection(file, section, work.Text(), ValueReadSize);
    const char* line = work.Text();
    const char* end = line + ValueReadSize;
    char* out = joined.Text();
    bool separate = !lines.IsEmpty();
    int count = 0;
    for (; line < end && *line; line += strlen(line) + 1) {
        if (*line == ';')
            continue;
        if (separate)
            *out++ = '\n';
        size_t length = strlen(line);
        memcpy(out, line, length);
        out += length;
        separate = true;
        count++;
    }
    if (count)
        lines.Append(joined.Text());
    return count;
}

// Expands a value as read, showing both to the checker's observer. A value
// that cannot be expanded (it would pass the bound of a value or of the run,
// or memory ran out) is unreadable like one that cannot be held. The read,
// the value as written and as expanded all count for the run.
static bool ExpandRead(const char* section, const char* key, String& value) {
    String written;
    if (keyReadObserver)
        written = value;
    if (!ChargeRunWork(KeyReadCost + value.Length()))
        return false;
    size_t room = RunWorkLeft();
    bool runsRoom = room < ExpansionLimit;
    if (!ExpandValue(value, runsRoom ? room : ExpansionLimit)) {
        // A value that does not fit in what the run has left passes its bound.
        if (runsRoom)
            ChargeRunWork(room + 1);
        return false;
    }
    if (!ChargeRunWork(value.Length()))
        return false;
    if (keyReadObserver)
        keyReadObserver(section, key, written.Text(), value.Text());
    return true;
}

void ReportUnreadable(const char* section, const char* key) {
    if (keyReadObserver)
        keyReadObserver(section, key, nullptr, nullptr);
    ReportError(MsgKeyMissing, section, key);
}

bool ReadKey(const char* section, const char* key, String& value) {
    if (!ReadProfileString(runContext.scriptPath.Text(), section, key, value) || !ExpandRead(section, key, value)) {
        ReportUnreadable(section, key);
        return false;
    }
    return true;
}

// Absent, or too large to expand: as if it were not there, without a report.
bool ReadOptionalKey(const char* section, const char* key, String& value) {
    return ReadProfileString(runContext.scriptPath.Text(), section, key, value) && ExpandRead(section, key, value);
}

bool ReadIntKey(const char* section, const char* key, int& value) {
    if (!ReadProfileInt(runContext.scriptPath.Text(), section, key, value) || !ChargeRunWork(KeyReadCost)) {
        ReportUnreadable(section, key);
        return false;
    }
    if (keyReadObserver) {
        String written;
        ReadProfileString(runContext.scriptPath.Text(), section, key, written);
        keyReadObserver(section, key, written.Text(), written.Text());
    }
    return true;
}
