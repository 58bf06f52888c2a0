// The script's lines as the author wrote them: where each section and key
// stands, for the checker's "file:line" and for what the profile reads
// cannot see (repeated keys and sections, byte-order marks, text outside
// the code page, values longer than a read keeps).
#pragma once

#include "NameMap.h"
#include "foundation/String.h"

struct ScriptLine {
    int number = 0;     // 1-based
    String section;     // the section the line belongs to
    bool header = false; // the section's header line
    String key;         // "" for a header, a comment or a blank line
    int valueLength = 0;
    bool withoutValue = false; // a key line without "=": the profile reads it as absent
    bool badText = false; // not valid text in the system's code page
    // The line is in a section that appeared earlier: the profile reads the
    // first of two sections of one name only, so the program never sees it.
    int repeats = 0;    // the line of that first section header, or 0
};

// Whether the bytes are text in the system's code page, whether they are
// UTF-8, and the code page (ScriptFile.cpp).
bool ValidInCodePage(const char* first, int length);
bool ValidUtf8(const char* first, int length);
unsigned SystemCodePage();

class ScriptLines {
public:
    ScriptLines() {}
    ~ScriptLines() { delete[] lines; }
    ScriptLines(const ScriptLines&) = delete;
    ScriptLines& operator=(const ScriptLines&) = delete;

    // False when the file cannot be read (ScriptFile.cpp).
    bool Load(const String& path);
    // The lines of a script's text, as a file of `size` bytes holds them.
    void Scan(const char* text, int size);
    int Count() const { return count; }
    const ScriptLine& At(int i) const { return lines[i]; }
    // 0 when the section (or key) is not in the file. A key counts in the
    // first section of its name only, and there its first line.
    int SectionLine(const char* section) const;
    int KeyLine(const char* section, const char* key) const;
    // The line of the key as KeyLine finds it, or null.
    const ScriptLine* KeyAt(const char* section, const char* key) const;
    // The lines of the first section of that name: [first, end) of At(), its
    // header excluded; an empty range when there is none.
    void SectionKeys(const char* section, int& first, int& end) const;

    bool hasByteOrderMark = false;
    // The first line that shows the script was saved as UTF-8: the line of
    // its UTF-8 mark, or the first beyond ASCII when the whole text is valid
    // UTF-8 (text in a code page of its own seldom is); 0 when none does.
    int utf8Line = 0;

private:
    void Index(int i);
    ScriptLine* lines = nullptr;
    int count = 0;
    NameMap sections; // name: 1 + index of its first header line
    NameMap keys;     // section and key: 1 + index of the line
};
