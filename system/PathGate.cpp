#include "PathGate.h"

#include <windows.h>

#include "Handles.h"
#include "Identity.h"
#include "Libraries.h"
#include "foundation/PathText.h"

namespace {

// Rows: PathKind; columns: PathRole.
const bool Allowed[6][5] = {
    //          read   removed written replaced deleted
    /* Missing */ {true, true, true, true, true},
    /* File    */ {true, true, true, true, true},
    /* Folder  */ {true, true, true, true, true},
    /* Link    */ {true, true, true, false, true},
    /* Device  */ {false, false, false, false, false},
    /* Root    */ {true, false, true, false, false},
};

typedef DWORD(WINAPI* LongPathFunction)(LPCSTR, LPSTR, DWORD);

// Windows 95 and NT 4.0 have no GetLongPathNameA: there a path stays as
// written, short levels included.
DWORD LongPathName(const char* path, char* buffer, DWORD size) {
    static LongPathFunction longPath = reinterpret_cast<LongPathFunction>(
        reinterpret_cast<void*>(KernelFunction("GetLongPathNameA")));
    return longPath ? longPath(path, buffer, size) : 0;
}

// The long form of the longest part that exists, followed by the rest as
// written: GetLongPathNameA fails for a path with a missing level.
bool LongForm(String& path) {
    char buffer[MAX_PATH * 2];
    const char* text = path.Text();
    const char* known = text + path.Length();
    DWORD length = LongPathName(text, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        known = nullptr;
        for (const char* p = text + PathRootLength(text); *p;) {
            const char* end = PathLevelEnd(p);
            if (GetFileAttributesA(path.Slice(text, end - 1).Text()) == INVALID_FILE_ATTRIBUTES)
                break;
            known = end;
            p = *end ? end + 1 : end;
        }
        if (!known)
            return true;
        length = LongPathName(path.Slice(text, known - 1).Text(), buffer, sizeof buffer);
        if (length == 0 || length >= sizeof buffer)
            return true;
    }
    String rest(known);
    return path.Assign(buffer) && path.Append(rest.Text());
}

PathKind KindOf(const String& written, const String& full) {
    if (IsDeviceName(written) || IsDeviceName(full))
        return PathKind::Device;
    if (IsRootPath(written) || IsRootPath(full))
        return PathKind::Root;
    // A pattern's object is its folder when it takes everything in it.
    if (IsRootObject(full))
        return PathKind::Root;
    DWORD attributes = GetFileAttributesA(full.Text());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    if (IsLinkEntry(full, attributes))
        return PathKind::Link;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
}

} // namespace

bool ResolvePath(const String& path, String& resolved) {
    char buffer[MAX_PATH * 2];
    char* name;
    if (path.IsEmpty())
        return false;
    // Too long for the ANSI calls (Wine's GetFullPathNameA fails past
    // MAX_PATH): nothing there can be reached, and the text is judged as
    // written.
    DWORD length = GetFullPathNameA(path.Text(), sizeof buffer, buffer, &name);
    if (length == 0 || length >= sizeof buffer) {
        resolved = PathRootLength(path.Text()) < path.Length() ? WithoutTrailingSeparators(path) : path;
        return !resolved.IsEmpty();
    }
    if (!resolved.Assign(buffer))
        return false;
    // A root keeps its separator: "C:" alone is the current folder of C:.
    if (PathRootLength(buffer) < static_cast<int>(length))
        resolved = WithoutTrailingSeparators(resolved);
    return LongForm(resolved);
}

bool PassGate(const String& path, PathRole role, GatedPath& gated) {
    if (!ResolvePath(path, gated.full)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    gated.kind = KindOf(path, gated.full);
    if (Allowed[static_cast<int>(gated.kind)][static_cast<int>(role)])
        return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

bool IsWithin(const String& path, const String& folder) { return IsPathInside(path.Text(), folder.Text()); }

bool HoldsCurrentFolder(const String& folder) {
    char buffer[MAX_PATH * 2];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    String current;
    return length > 0 && length < sizeof buffer && current.Assign(buffer) && Overlaps(current, folder);
}
