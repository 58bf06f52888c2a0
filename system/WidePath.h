// A path as the file system holds it: UTF-16 units, so a name the ANSI
// code page cannot spell (Hangul on a Japanese system, an accented letter,
// an emoji) is held as it is. The script, its macros and its messages stay
// ANSI text (String); a path is widened once, where it meets the file
// system, and names a walk finds stay wide from the listing to the call.
#pragma once

#include <windows.h>

#include "foundation/String.h"

// A function that holds an array of wide characters or numbers the system
// fills (a listing's entry, a final path): the stack protector checks it on
// its way out, as it checks every function with an array of bytes.
#define GUARDED __attribute__((stack_protect))

class WidePath {
public:
    WidePath() : units(nullptr), length(0) {}
    WidePath(const WidePath& other);
    ~WidePath();
    WidePath& operator=(const WidePath& other);

    // From the ANSI code page (MultiByteToWideChar, CP_ACP); false, and
    // empty, when that fails or memory runs out.
    bool Assign(const char* ansi);
    bool Assign(const String& ansi) { return Assign(ansi.Text()); }
    bool Assign(const WCHAR* text, int count = -1);
    bool Append(const WCHAR* text, int count = -1);

    // Never null: an empty path (or one whose memory ran out) is "".
    const WCHAR* Text() const { return units ? units : L""; }
    int Length() const { return length; }
    bool IsEmpty() const { return length == 0; }

    // The first `count` units.
    WidePath Left(int count) const;
    WidePath operator+(const WCHAR* text) const;
    bool EqualsNoCase(const WidePath& other) const;

    // The ANSI form, only where every unit has one of its own; false (the
    // last error ERROR_INVALID_NAME) for a name the code page cannot spell.
    bool ToAnsi(String& ansi) const;
    // The ANSI form for text people read (boxes, the log): a UTF-16 unit
    // without a spelling in the code page is written "<U+D55C>", in
    // hexadecimal (a character beyond the basic plane as its two units).
    String Readable() const;
    // The same into `buffer` of `size` bytes, cut at a whole unit where it
    // is longer: nothing allocated.
    void ReadableInto(char* buffer, int size) const;

private:
    WCHAR* units;
    int length;
};

WidePath Widened(const char* ansi);
inline WidePath Widened(const String& ansi) { return Widened(ansi.Text()); }

// The folder part a path's entries share ("C:\\a\\" of "C:\\a\\b"),
// without its separator below a root, as FolderOf does for ANSI text.
WidePath WideFolderOf(const WidePath& path);

// The path without separators at its end, a root's own kept.
WidePath WithoutTrailingSeparators(const WidePath& path);
