#include "PathText.h"

#include "Multibyte.h"

#include <string.h>

template <typename C> static bool IsDriveLetter(C c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

const char* PathLevelEnd(const char* p) {
    while (*p && !IsPathSeparator(*p))
        p = NextChar(p);
    return p;
}

template <typename C> static const C* NextLevel(const C* end) { return *end ? end + 1 : end; }

// Whether every byte of a level is one of the set (none of them is ever a
// trail byte).
static bool OnlyOf(const char* first, const char* end, const char* set) {
    for (const char* p = first; p < end; p++) {
        if (!strchr(set, *p))
            return false;
    }
    return true;
}

static const char DotsAndWildcards[] = "*?. ";

template <typename C> static bool IsNamespace(const C* path) {
    return IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && (path[2] == '?' || path[2] == '.') &&
           IsPathSeparator(path[3]);
}

bool IsNamespacePath(const char* path) { return IsNamespace(path); }

String WithoutLongPrefix(const String& path) {
    const char* text = path.Text();
    if (!IsNamespace(text) || text[2] != '?')
        return path;
    if (EqualsNoCase(text + 4, "UNC", 3) && IsPathSeparator(text[7]))
        return String("\\\\") + (text + 8);
    bool drive = ((text[4] | 0x20) >= 'a' && (text[4] | 0x20) <= 'z') && text[5] == ':';
    return drive ? String(text + 4) : path;
}


bool IsRootPath(const String& path) {
    const char* text = path.Text();
    int rootLength = PathRootLength(text);
    if (rootLength == 0)
        return false;
    const char* stop = text + path.Length();
    while (stop > text + rootLength && IsPathSeparator(stop[-1]) && IsCharBoundary(text, stop - 1))
        stop--;
    int depth = 0;  // levels below the root
    for (const char* p = text + rootLength; p < stop;) {
        const char* end = PathLevelEnd(p);
        // Only dots and spaces, which the system drops at a level's end: "."
        // stays, "..", "..." and ".. " go up. A level of only wildcards right
        // below the root matches everything there (and the root again after
        // a "..").
        if (OnlyOf(p, end, DotsAndWildcards + 2))
            depth = depth > 0 && end - p >= 2 && p[1] == '.' ? depth - 1 : depth;
        else if (!(depth == 0 && OnlyOf(p, end, DotsAndWildcards)))
            depth++;
        p = end < stop ? end + 1 : stop;
    }
    return depth == 0;
}

bool IsDeviceName(const String& path) {
    String whole = WithoutTrailingSeparators(path);
    const char* level = whole.Text() + PathPrefix(whole).Length();
    const char* p = level;
    if (EqualsNoCase(level, "COM", 3) || EqualsNoCase(level, "LPT", 3))
        p = level[3] >= '1' && level[3] <= '9' ? level + 4 : level;
    else if (EqualsNoCase(level, "CON", 3) || EqualsNoCase(level, "PRN", 3) || EqualsNoCase(level, "AUX", 3) ||
             EqualsNoCase(level, "NUL", 3))
        p = level + 3;
    while (p > level && *p == ' ')
        p++;
    return p > level && (!*p || *p == '.' || *p == ':');
}

String PathPrefix(const String& path) {
    const char* text = path.Text();
    const char* end = text + PathRootLength(text);
    for (const char* p = end; *p; p = NextChar(p)) {
        if (IsPathSeparator(*p))
            end = p + 1;
    }
    return end == text ? String() : path.Slice(text, end - 1);
}


String FolderOf(const String& path) {
    String prefix = PathPrefix(path);
    return prefix.Length() > PathRootLength(prefix.Text()) ? WithoutTrailingSeparators(prefix) : prefix;
}

String WithoutTrailingSeparators(const String& path) {
    const char* text = path.Text();
    const char* end = text + path.Length();
    while (end > text && IsPathSeparator(end[-1]) && IsCharBoundary(text, end - 1))
        end--;
    return path.Slice(text, end - 1);
}

bool EndsInSeparator(const String& path) {
    const char* text = path.Text();
    const char* last = text + path.Length() - 1;
    return path.Length() > 0 && IsPathSeparator(*last) && IsCharBoundary(text, last);
}

bool IsPathInside(const char* path, const char* directory) {
    unsigned length = static_cast<unsigned>(strlen(directory));
    // A root keeps its separator: everything on the drive lies below "C:\\".
    bool endsLevel = length > 0 && IsPathSeparator(directory[length - 1]) &&
                     IsCharBoundary(directory, directory + length - 1);
    return EqualsNoCase(path, directory, length) && (endsLevel || !path[length] || IsPathSeparator(path[length]));
}

bool IsPathInside(const wchar_t* path, const wchar_t* directory) {
    unsigned length = 0;
    while (directory[length])
        length++;
    bool endsLevel = length > 0 && IsPathSeparator(directory[length - 1]);
    return EqualsNoCase(path, directory, length) && (endsLevel || !path[length] || IsPathSeparator(path[length]));
}

static const wchar_t* PathLevelEnd(const wchar_t* p) {
    while (*p && !IsPathSeparator(*p))
        p++;
    return p;
}


// The root rules once for both texts.
template <typename C> static int RootLength(const C* path) {
    if (IsDriveLetter(path[0]) && path[1] == ':')
        return IsPathSeparator(path[2]) ? 3 : 2;
    if (!IsPathSeparator(path[0]))
        return 0;
    if (!IsPathSeparator(path[1]))
        return 1;
    // \\server\share\ , \\?\C:\ , \\.\device\ , \\?\UNC\server\share\ .
    const C* p = path + 2;
    int levels = 2;
    if (IsNamespace(path)) {
        p += 2;
        levels = PathLevelEnd(p) - p == 3 && (p[0] | 0x20) == 'u' && (p[1] | 0x20) == 'n' && (p[2] | 0x20) == 'c' ? 3 : 1;
    }
    for (; levels > 0 && *p; levels--)
        p = NextLevel(PathLevelEnd(p));
    return static_cast<int>(p - path);
}

int PathRootLength(const char* path) { return RootLength(path); }
int PathRootLength(const wchar_t* path) { return RootLength(path); }

// The level rules once for both texts: the script's (where a trail byte
// may be a backslash) and the system's UTF-16.
template <typename C> static int CountLevels(const C* path) {
    if (!*path)
        return 0;
    int count = 1;
    for (const C* p = PathLevelEnd(path); *p; p = PathLevelEnd(p + 1))
        count++;
    return count;
}

template <typename C> static const C* FromLevel(const C* path, int level) {
    const C* p = path;
    for (; level > 0 && *p; level--)
        p = NextLevel(PathLevelEnd(p));
    return p;
}

int PathLevelCount(const char* path) { return CountLevels(path); }
const char* PathFromLevel(const char* path, int level) { return FromLevel(path, level); }
int PathLevelCount(const wchar_t* path) { return CountLevels(path); }
const wchar_t* PathFromLevel(const wchar_t* path, int level) { return FromLevel(path, level); }

bool NameHasWildcard(const wchar_t* path) {
    for (const wchar_t* p = path + PathPrefixLength(path); *p; p++) {
        if (*p == L'*' || *p == L'?')
            return true;
    }
    return false;
}

int PathPrefixLength(const wchar_t* path) {
    int end = PathRootLength(path);
    for (int i = end; path[i]; i++) {
        if (IsPathSeparator(path[i]))
            end = i + 1;
    }
    return end;
}
