#include "PathText.h"

#include "Multibyte.h"

static bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

const char* PathLevelEnd(const char* p) {
    while (*p && *p != '\\')
        p = NextChar(p);
    return p;
}

int PathRootLength(const char* path) {
    if (IsDriveLetter(path[0]) && path[1] == ':')
        return path[2] == '\\' ? 3 : 2;
    if (path[0] != '\\')
        return 0;
    if (path[1] != '\\')
        return 1;
    // \\server\share\ : two components after the double backslash.
    const char* p = PathLevelEnd(path + 2);
    if (*p)
        p = PathLevelEnd(p + 1);
    if (*p)
        p++;
    return static_cast<int>(p - path);
}

static bool IsLevel(const char* first, const char* end, const char* name) {
    const char* n = name;
    for (const char* p = first; p < end; p++, n++) {
        if (*p != *n)
            return false;
    }
    return *n == 0;
}

// A level of only wildcards and dots matches everything where it stands.
static bool MatchesAll(const char* first, const char* end) {
    for (const char* p = first; p < end; p++) {
        if (*p != '.' && *p != '*' && *p != '?')
            return false;
    }
    return true;
}

bool IsRootPath(const String& path) {
    const char* text = path.Text();
    int rootLength = PathRootLength(text);
    if (rootLength == 0)
        return false;
    const char* stop = text + path.Length();
    while (stop > text + rootLength && stop[-1] == '\\' && IsCharBoundary(text, stop - 1))
        stop--;
    int depth = 0;  // levels below the root
    for (const char* p = text + rootLength; p < stop;) {
        const char* end = PathLevelEnd(p);
        if (IsLevel(p, end, ".."))
            depth = depth > 0 ? depth - 1 : 0;
        else if (p != end && !IsLevel(p, end, ".") && !(end == stop && depth == 0 && MatchesAll(p, end)))
            depth++;
        p = end < stop ? end + 1 : stop;
    }
    return depth == 0;
}

String PathPrefix(const String& path) {
    const char* text = path.Text();
    const char* end = text + PathRootLength(text);
    for (const char* p = end; *p; p = NextChar(p)) {
        if (*p == '\\')
            end = p + 1;
    }
    return end == text ? String() : path.Slice(text, end - 1);
}
