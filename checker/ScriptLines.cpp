#include "ScriptLines.h"

#include <string.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool BeyondAscii(const char* first, const char* end) {
    while (first < end && (unsigned char)*first < 0x80)
        first++;
    return first < end;
}

String Trimmed(const char* first, const char* end) {
    while (first < end && IsBlank(*first))
        first++;
    while (end > first && IsBlank(end[-1]))
        end--;
    String result;
    size_t length = static_cast<size_t>(end - first);
    if (result.AllocBuffer(static_cast<unsigned>(length + 1)))
        memcpy(result.Text(), first, length);
    return result;
}

} // namespace

void ScriptLines::Scan(const char* text, int size) {
    delete[] lines;
    count = 0;
    sections.Clear();
    keys.Clear();
    hasByteOrderMark = false;
    utf8Line = 0;
    const char* end = text + size;
    bool utf8Mark = size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0;
    if (utf8Mark || (size >= 2 && ((unsigned char)text[0] == 0xFF || (unsigned char)text[0] == 0xFE)))
        hasByteOrderMark = true;
    bool utf8 = utf8Mark || ValidUtf8(text, size);
    int lineCount = 1;
    for (const char* p = text; p < end; p++)
        lineCount += *p == '\n';
    lines = new ScriptLine[lineCount];
    String section;
    int number = 0, repeats = 0;
    for (const char* line = text; line < end;) {
        const char* lineEnd = static_cast<const char*>(memchr(line, '\n', end - line));
        if (!lineEnd)
            lineEnd = end;
        const char* next = lineEnd < end ? lineEnd + 1 : end;
        if (lineEnd > line && lineEnd[-1] == '\r')
            lineEnd--;
        number++;
        bool badText = !ValidInCodePage(line, static_cast<int>(lineEnd - line));
        if (utf8 && !utf8Line && BeyondAscii(line, lineEnd))
            utf8Line = number;
        const char* p = line;
        if (number == 1 && hasByteOrderMark)
            while (p < lineEnd && (unsigned char)*p >= 0x80)
                p++;
        while (p < lineEnd && IsBlank(*p))
            p++;
        // The profile ends a section's name at the last "]" of its line; a
        // line without one is a key of the section above.
        const char* close = lineEnd;
        while (close > p && close[-1] != ']')
            close--;
        bool header = p < lineEnd && *p == '[' && close > p + 1;
        if (header) {
            section = Trimmed(p + 1, close - 1);
            repeats = SectionLine(section.Text());
        }
        bool isKey = !header && p < lineEnd && *p != ';';
        if (header || isKey || badText) {
            ScriptLine& entry = lines[count];
            entry.number = number;
            entry.header = header;
            entry.badText = badText;
            if (header || isKey) { // a comment or a blank line tells only its text
                entry.section = section;
                entry.repeats = repeats;
            }
            if (isKey) {
                const char* equals = static_cast<const char*>(memchr(p, '=', lineEnd - p));
                entry.key = Trimmed(p, equals ? equals : lineEnd);
                entry.valueLength = equals ? Trimmed(equals + 1, lineEnd).Length() : 0;
                entry.withoutValue = !equals;
            }
            Index(count++);
        }
        line = next;
    }
}

void ScriptLines::Index(int i) {
    const ScriptLine& line = lines[i];
    void* place = reinterpret_cast<void*>(static_cast<size_t>(i) + 1);
    if (line.repeats || (!line.header && line.key.IsEmpty()))
        return;
    if (line.header)
        sections.Set(line.section.Text(), place);
    else if (!keys.Find(line.section.Text(), line.key.Text()))
        keys.Set(line.section.Text(), line.key.Text(), place);
}

static int IndexOf(void* place) { return static_cast<int>(reinterpret_cast<size_t>(place)) - 1; }

int ScriptLines::SectionLine(const char* section) const {
    int i = IndexOf(sections.Find(section));
    return i >= 0 ? lines[i].number : 0;
}

const ScriptLine* ScriptLines::KeyAt(const char* section, const char* key) const {
    int i = IndexOf(keys.Find(section, key));
    return i >= 0 ? &lines[i] : nullptr;
}

int ScriptLines::KeyLine(const char* section, const char* key) const {
    const ScriptLine* line = KeyAt(section, key);
    return line ? line->number : 0;
}

void ScriptLines::SectionKeys(const char* section, int& first, int& end) const {
    first = end = IndexOf(sections.Find(section)) + 1;
    if (first == 0)
        return;
    while (end < count && !lines[end].header)
        end++;
}
