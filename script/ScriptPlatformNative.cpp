// Stand-ins for the native build: a fixed machine without registered
// programs, whose profile is the block that SetNativeProfile gave.
#include "ScriptPlatform.h"
#include "ScriptPlatformNative.h"

#include <stdio.h>
#include <string.h>

#include "foundation/String.h"

static const char* profileBlock = "";
static unsigned profileSize = 1;

void SetNativeProfile(const char* block, unsigned size) {
    profileBlock = block;
    profileSize = size;
}

static const char* scriptText;
static unsigned scriptSize;

void SetNativeScript(const char* text, unsigned size) {
    scriptText = text;
    scriptSize = size;
}

namespace {

// One line of the script without its blanks at both ends.
struct Line {
    const char *start, *end;
};

bool NextLine(const char*& at, Line& line) {
    const char* stop = scriptText + scriptSize;
    if (at >= stop)
        return false;
    const char* end = static_cast<const char*>(memchr(at, '\n', static_cast<size_t>(stop - at)));
    end = end ? end : stop;
    line.start = at;
    line.end = end;
    at = end + 1;
    while (line.start < line.end && (*line.start == ' ' || *line.start == '\t'))
        line.start++;
    while (line.end > line.start && (line.end[-1] == ' ' || line.end[-1] == '\t' || line.end[-1] == '\r'))
        line.end--;
    return true;
}

bool OpensSection(const Line& line) { return line.start < line.end && *line.start == '['; }

bool Named(const char* start, const char* end, const char* name) {
    size_t length = strlen(name);
    return static_cast<size_t>(end - start) == length && EqualsNoCase(start, name, static_cast<unsigned>(length));
}

// The line after the header of the first section of that name; null for none.
const char* FindSection(const char* section) {
    const char* at = scriptText;
    Line line;
    while (NextLine(at, line)) {
        const char* close = static_cast<const char*>(memchr(line.start, ']', line.end - line.start));
        if (OpensSection(line) && close && Named(line.start + 1, close, section))
            return at;
    }
    return nullptr;
}

// Copies into the buffer, cut to size - 1 bytes.
void Put(char*& out, char* stop, const char* start, const char* end) {
    for (; start < end && out < stop; start++)
        *out++ = *start ? *start : '0';
}

} // namespace

void ScriptReadProfileString(const char*, const char* section, const char* key, const char* absent, char* buffer,
                             unsigned size) {
    snprintf(buffer, size, "%s", absent);
    const char* at = scriptText ? FindSection(section) : nullptr;
    Line line;
    while (at && NextLine(at, line) && !OpensSection(line)) {
        const char* equals = static_cast<const char*>(memchr(line.start, '=', line.end - line.start));
        const char* name = equals ? equals : line.end;
        while (name > line.start && (name[-1] == ' ' || name[-1] == '\t'))
            name--;
        if (!Named(line.start, name, key))
            continue;
        const char* value = equals ? equals + 1 : line.end;
        while (value < line.end && (*value == ' ' || *value == '\t'))
            value++;
        const char* end = line.end;
        if (end - value >= 2 && (*value == '"' || *value == '\'') && end[-1] == *value)
            value++, end--;
        char* out = buffer;
        Put(out, buffer + size - 1, value, end);
        *out = 0;
        return;
    }
}

// The block stands for every section: lines ended by zero bytes, cut like
// the platform cuts, with two zero bytes at the end. A script set instead
// gives the lines of the named section.
void ScriptReadProfileSection(const char*, const char* section, char* buffer, unsigned size) {
    if (size < 2)
        return;
    if (scriptText) {
        char* out = buffer;
        const char* at = FindSection(section);
        Line line;
        while (at && NextLine(at, line) && !OpensSection(line) && out + 3 < buffer + size) {
            if (line.start == line.end)
                continue;
            Put(out, buffer + size - 3, line.start, line.end);
            *out++ = 0;
        }
        out[0] = out[1] = 0;
        return;
    }
    unsigned length = profileSize < size - 2 ? profileSize : size - 2;
    memcpy(buffer, profileBlock, length);
    buffer[length] = 0;
    buffer[length + 1] = 0;
}

static void Fixed(String& target, const char* path) {
    if (target.AllocBuffer(260))
        snprintf(target.Text(), 260, "%s", path);
}

void ScriptWindowsDirectory(String& target) { Fixed(target, "C:\\WINDOWS"); }
void ScriptSystemDirectory(String& target) { Fixed(target, "C:\\WINDOWS\\system32"); }
void ScriptTempPath(String& target) { Fixed(target, "C:\\TEMP\\"); }

bool ScriptIsWindowsNT() { return true; }

bool ScriptSpecialFolder(String& target, int folderId) {
    if (folderId < 0 || folderId > 0x3F)
        return false;
    char path[32];
    snprintf(path, sizeof path, "C:\\Folder%02X\\", static_cast<unsigned>(folderId));
    return target.Assign(path);
}

bool ScriptFindAppPath(const char*, String&, bool) { return false; }
