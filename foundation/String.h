// The one text type: an owned, zero-terminated byte block in the ANSI code
// page, always exactly as large as its content (no spare room, no sharing).
#pragma once

class String {
public:
    String();
    String(const char* text);
    String(const String& other);
    virtual ~String();
    String& operator=(const String& other);

    // Never null: a String without a block reads as "".
    char* Text() const;
    int Length() const;
    bool IsEmpty() const { return Text()[0] == 0; }

    bool AllocBuffer(unsigned byteCount);
    // Takes over a zero-terminated block from malloc in place of its own.
    void Adopt(char* block);
    bool Assign(const char* text);
    bool Append(const char* text);
    // Bytes first..last, both included; stops early at a zero byte.
    String Slice(const char* first, const char* last) const;
    String operator+(const char* text) const;
    String operator+(const String& other) const;

    // Items: pieces between occurrences of a separator.
    // Positions are byte offsets into Text(); ranges include both ends.
    int ItemCount(const char* separator) const;
    bool FindItems(int a, int b, const char* separator, int& first, int& last) const;
    String Items(int a, int b, const char* separator) const;
    String Item(int i, const char* separator) const;
    void ReplaceItems(int a, int b, const char* separator, const char* text);

    // Words: pieces between single spaces outside double quotes.
    int WordCount() const;
    bool FindWords(int a, int b, int& first, int& last) const;
    String Words(int a, int b) const;

    // Groups: top-level bracketed pieces, markers included.
    int GroupCount(const char* open, const char* close) const;
    bool FindGroups(int a, int b, const char* open, const char* close, int& first, int& last) const;
    String Groups(int a, int b, const char* open, const char* close) const;
    void ReplaceGroups(int a, int b, const char* open, const char* close, const char* text);

    void ReplaceRange(int first, int last, const char* text);
    bool ReplaceAll(const char* pattern, const char* text);
    void Trim(const char* leading, const char* trailing);
    int CountOf(const char* pattern) const;

    // ASCII letters compare without regard to case; other bytes exactly.
    bool EqualsNoCase(const char* other) const;
    // ASCII letters upper-cased in place, by the fold EqualsNoCase uses: two
    // texts are equal without regard to case exactly when their folds are.
    void FoldCase();

private:
    char* text;
};

// The text before the last separator ("\\" or "/") of the path; false
// (target unchanged) when there is none or the path starts with its only one.
bool DirectoryOf(const String& path, String& target);

// Group 0 of a text: lets a walk over the groups of a longer text resume at
// a character boundary where no group is open.
bool FindFirstGroup(const char* text, const char* open, const char* close, int& first, int& last);

// Blocks that could not be allocated, over the whole process: a longer work
// whose steps may each ignore a failure sees whether any of them lost a text.
unsigned FailedAllocations();
void NoteFailedAllocation();

bool EqualsNoCase(const char* a, const char* b);
// The same for the first `length` bytes of both.
bool EqualsNoCase(const char* a, const char* b, unsigned length);
// The same fold for wide text (UTF-16 units, which hold no lead bytes): up
// to `length` units, or to the end of both. The system's own comparisons
// (CompareStringW) are not among what Windows 95 and NT 4.0 both export;
// another letter case beyond ASCII only makes a name look like a link,
// which is refused, never followed.
bool EqualsNoCase(const wchar_t* a, const wchar_t* b, unsigned length = ~0u);
