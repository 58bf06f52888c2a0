#include "PathGate.h"

#include <windows.h>

#include "FileCalls.h"
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

// The long form of the longest part that exists, followed by the rest as
// written: GetLongPathNameW fails for a path with a missing level.
bool LongForm(WidePath& path) {
    WidePath longPath;
    const WCHAR* text = path.Text();
    int known = path.Length();
    if (!LongPathOf(path, longPath)) {
        known = 0;
        for (int i = PathRootLength(text); text[i];) {
            int end = i;
            while (text[end] && !IsPathSeparator(text[end]))
                end++;
            if (AttributesOf(path.Left(end)) == INVALID_FILE_ATTRIBUTES)
                break;
            known = end;
            i = text[end] ? end + 1 : end;
        }
        if (!known || !LongPathOf(path.Left(known), longPath))
            return true;
    }
    return longPath.Append(text + known) && (path = longPath, true);
}

PathKind KindOf(const String& written, const String& full, const WidePath& wide) {
    if (IsDeviceName(written) || IsDeviceName(full))
        return PathKind::Device;
    if (IsRootPath(written) || IsRootPath(full))
        return PathKind::Root;
    // A pattern's object is its folder when it takes everything in it.
    if (IsRootObject(wide))
        return PathKind::Root;
    DWORD attributes = AttributesOf(wide);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    if (IsLinkEntry(wide, attributes))
        return PathKind::Link;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
}

} // namespace

bool ResolvePath(const String& path, WidePath& resolved) {
    if (path.IsEmpty())
        return false;
    // Where the system cannot resolve it (too long for the ANSI calls of the
    // older family) nothing there can be reached, and the text is judged as
    // written.
    if (!FullPathOf(Widened(path), resolved)) {
        String written = PathRootLength(path.Text()) < path.Length() ? WithoutTrailingSeparators(path) : path;
        return resolved.Assign(written) && !resolved.IsEmpty();
    }
    // A root keeps its separator: "C:" alone is the current folder of C:.
    resolved = WithoutTrailingSeparators(resolved);
    return !resolved.IsEmpty() && LongForm(resolved);
}

bool ResolvePath(const String& path, String& resolved) {
    WidePath wide;
    if (!ResolvePath(path, wide))
        return false;
    resolved = wide.Readable();
    return !resolved.IsEmpty();
}

bool PassGate(const String& path, PathRole role, GatedPath& gated) {
    if (!ResolvePath(path, gated.wide)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    gated.full = gated.wide.Readable();
    gated.kind = KindOf(path, gated.full, gated.wide);
    if (Allowed[static_cast<int>(gated.kind)][static_cast<int>(role)])
        return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

bool IsWithin(const String& path, const String& folder) { return IsPathInside(path.Text(), folder.Text()); }

bool HoldsCurrentFolder(const WidePath& folder) {
    WidePath current;
    return CurrentFolderOf(current) && Overlaps(WithoutTrailingSeparators(current), folder);
}
