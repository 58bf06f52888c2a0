// The script's lines as the author wrote them: where each section and key
// stands, for the checker's "file:line" and for what the profile reads
// cannot see (repeated keys, byte-order marks, text outside the code page,
// values longer than a read keeps).
#pragma once

#include "foundation/String.h"

struct ScriptLine {
    int number = 0;     // 1-based
    String section;     // the section the line belongs to
    String key;         // "" for the section's header line
    int valueLength = 0;
};

class ScriptLines {
public:
    ScriptLines() {}
    ~ScriptLines() { delete[] lines; }
    ScriptLines(const ScriptLines&) = delete;
    ScriptLines& operator=(const ScriptLines&) = delete;

    // False when the file cannot be read.
    bool Load(const String& path);
    int Count() const { return count; }
    const ScriptLine& At(int i) const { return lines[i]; }
    // 0 when the section (or key) is not in the file; the first one counts.
    int SectionLine(const char* section) const;
    int KeyLine(const char* section, const char* key) const;

    bool hasByteOrderMark = false;
    // Lines that are not valid text in the system's code page, in order.
    String badLines; // numbers separated by ","

private:
    void Scan(const char* text, int size);
    ScriptLine* lines = nullptr;
    int count = 0;
};
