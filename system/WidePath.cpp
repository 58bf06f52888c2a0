#include "WidePath.h"

#include <stdlib.h>
#include <string.h>

#include "foundation/PathText.h"

static int UnitCount(const WCHAR* text) {
    int count = 0;
    while (text[count])
        count++;
    return count;
}

WidePath::WidePath(const WidePath& other) : units(nullptr), length(0) { Assign(other.Text(), other.length); }

WidePath::~WidePath() { free(units); }

WidePath& WidePath::operator=(const WidePath& other) {
    if (this != &other)
        Assign(other.Text(), other.length);
    return *this;
}

bool WidePath::Assign(const WCHAR* text, int count) {
    free(units);
    units = nullptr;
    length = 0;
    return Append(text, count);
}

bool WidePath::Append(const WCHAR* text, int count) {
    if (count < 0)
        count = UnitCount(text);
    WCHAR* grown = static_cast<WCHAR*>(malloc((length + count + 1) * sizeof(WCHAR)));
    if (!grown) {
        NoteFailedAllocation();
        return false;
    }
    memcpy(grown, Text(), length * sizeof(WCHAR));
    memcpy(grown + length, text, count * sizeof(WCHAR));
    grown[length + count] = 0;
    free(units);
    units = grown;
    length += count;
    return true;
}

bool WidePath::Assign(const char* ansi) {
    free(units);
    units = nullptr;
    length = 0;
    int count = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (count <= 0)
        return false;
    units = static_cast<WCHAR*>(malloc(count * sizeof(WCHAR)));
    if (!units) {
        NoteFailedAllocation();
        return false;
    }
    if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, units, count) != count) {
        free(units);
        units = nullptr;
        return false;
    }
    length = count - 1;
    return true;
}

WidePath WidePath::Left(int count) const {
    WidePath left;
    left.Assign(Text(), count < length ? count : length);
    return left;
}

WidePath WidePath::operator+(const WCHAR* text) const {
    WidePath joined(*this);
    if (!joined.Append(text))
        joined.Assign(L"", 0);
    return joined;
}

// ASCII letters only, as the ANSI comparisons of the paths.
bool WidePath::EqualsNoCase(const WidePath& other) const {
    return length == other.length && ::EqualsNoCase(Text(), other.Text(), static_cast<unsigned>(length));
}

// True when `bytes` in the code page are the `count` units of `units`.
// WideCharToMultiByte gives a character without a spelling of its own the
// nearest one it knows and says nothing ("é" as "e"; in code page 932 the
// yen sign U+00A5 as "\\", a separator): only the way back tells. The flag
// that turns that off is not known to Windows 95 and NT 4.0.
static bool ReadsBackAs(const char* bytes, int size, const WCHAR* units, int count) {
    WCHAR back[16];
    WCHAR* wide = count < 16 ? back : static_cast<WCHAR*>(malloc((count + 1) * sizeof(WCHAR)));
    bool same = wide && MultiByteToWideChar(CP_ACP, 0, bytes, size, wide, count + 1) == count &&
                memcmp(wide, units, count * sizeof(WCHAR)) == 0;
    if (wide != back)
        free(wide);
    return same;
}

// The path in the code page, only where each unit has a spelling of its
// own there. (For UTF-7 and UTF-8, which spell every character, the flag
// for one without is not given.)
static bool Narrow(const WidePath& path, String& ansi) {
    BOOL defaultUsed = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, 0, path.Text(), -1, nullptr, 0, nullptr, &defaultUsed);
    if (bytes <= 0 || defaultUsed || !ansi.AllocBuffer(static_cast<unsigned>(bytes)))
        return false;
    return WideCharToMultiByte(CP_ACP, 0, path.Text(), -1, ansi.Text(), bytes, nullptr, &defaultUsed) == bytes &&
           !defaultUsed && ReadsBackAs(ansi.Text(), bytes - 1, path.Text(), path.Length());
}

bool WidePath::ToAnsi(String& ansi) const {
    if (Narrow(*this, ansi))
        return true;
    ansi = String();
    SetLastError(ERROR_INVALID_NAME);
    return false;
}

// Unit by unit only where the whole has a character without a spelling:
// "<" and ">" are in no name, so the escape is never ambiguous.
// One unit as people read it, in `spelled` (16 bytes); its length.
static int SpellUnit(const WCHAR* unit, char* spelled) {
    BOOL defaultUsed = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, 0, unit, 1, spelled, 8, nullptr, &defaultUsed);
    if (bytes <= 0 || defaultUsed || !ReadsBackAs(spelled, bytes, unit, 1))
        bytes = wsprintfA(spelled, "<U+%04X>", *unit);
    spelled[bytes] = 0;
    return bytes;
}

String WidePath::Readable() const {
    String ansi;
    if (Narrow(*this, ansi))
        return ansi;
    ansi = String();
    for (const WCHAR* unit = Text(); *unit; unit++) {
        char spelled[16];
        SpellUnit(unit, spelled);
        ansi.Append(spelled);
    }
    return ansi;
}

// Unit by unit: the way back of the whole would need memory.
void WidePath::ReadableInto(char* buffer, int size) const {
    int used = 0;
    for (const WCHAR* unit = Text(); *unit; unit++) {
        char spelled[16];
        int length = SpellUnit(unit, spelled);
        if (used + length >= size)
            break;
        memcpy(buffer + used, spelled, length);
        used += length;
    }
    buffer[used] = 0;
}

WidePath Widened(const char* ansi) {
    WidePath wide;
    wide.Assign(ansi);
    return wide;
}

WidePath WideFolderOf(const WidePath& path) {
    const WCHAR* text = path.Text();
    int prefix = PathPrefixLength(text);
    int root = PathRootLength(text);
    int end = prefix;
    while (end > root && IsPathSeparator(text[end - 1]))
        end--;
    return path.Left(end);
}

WidePath WithoutTrailingSeparators(const WidePath& path) {
    const WCHAR* text = path.Text();
    int end = path.Length();
    while (end > PathRootLength(text) && IsPathSeparator(text[end - 1]))
        end--;
    return path.Left(end);
}
