#include "PathGate.h"

#include <windows.h>

#include "Handles.h"
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
    DWORD attributes = GetFileAttributesA(full.Text());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return PathKind::File;
    return attributes & FILE_ATTRIBUTE_REPARSE_POINT ? PathKind::Link : PathKind::Folder;
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

// Through a handle that asks no access, which a file open without sharing
// still gives, and FILE_FLAG_BACKUP_SEMANTICS, without which a folder does
// not open. FILE_FLAG_OPEN_REPARSE_POINT in `flags` opens a link itself.
static bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& info, DWORD flags = 0) {
    FileHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
    return file.IsValid() && GetFileInformationByHandle(file.Get(), &info);
}

// Some file systems (network shares among them) give every file the index
// 0: that tells nothing.
static bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow && (a.nFileIndexHigh | a.nFileIndexLow) != 0;
}

int SharedLinkCount(const char* first, const char* second) {
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = FileIdentity(first, a) && FileIdentity(second, b) && SameIdentity(a, b);
    return same ? static_cast<int>(a.nNumberOfLinks) : 0;
}

String LevelThatIs(const String& path, const String& folder) {
    BY_HANDLE_FILE_INFORMATION wanted, found;
    if (!FileIdentity(folder.Text(), wanted))
        return String();
    for (String level = path; level.Length() > PathRootLength(level.Text());
         level = WithoutTrailingSeparators(PathPrefix(level))) {
        if (FileIdentity(level.Text(), found) && SameIdentity(wanted, found))
            return level;
    }
    return String();
}

bool LiesWithin(const String& path, const String& folder) {
    return IsWithin(path, folder) || !LevelThatIs(path, folder).IsEmpty();
}

// Wine 8 was seen to follow a folder link in every call that opens it,
// FILE_FLAG_OPEN_REPARSE_POINT or not: RemoveDirectoryA on the link removed
// the folder it leads to when that was empty, MoveFileA moved that folder.
// Where the link opens as a file of its own (other than what it leads to,
// or leading nowhere), the system acts on the link.
bool ReachesLinkItself(const char* path) {
    BY_HANDLE_FILE_INFORMATION link, target;
    return FileIdentity(path, link, FILE_FLAG_OPEN_REPARSE_POINT) &&
           !(FileIdentity(path, target) && SameIdentity(link, target));
}

bool HoldsCurrentFolder(const String& folder) {
    char buffer[MAX_PATH * 2];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    String current;
    return length > 0 && length < sizeof buffer && current.Assign(buffer) && LiesWithin(current, folder);
}
