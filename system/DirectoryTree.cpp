#include "DirectoryTree.h"

#include <windows.h>

#include "FileData.h"
#include "FileReplace.h"
#include "Handles.h"
#include "Shell.h"
#include "foundation/Multibyte.h"
#include "foundation/PathText.h"

bool IsDirectory(const String& path) {
    DWORD attributes = GetFileAttributesA(path.Text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Trailing backslashes name the same directory.
static String WithoutTrailingBackslash(const String& path) {
    String trimmed = path;
    trimmed.Trim("", "\\");
    return trimmed;
}

// A level that is there already, as a directory or as anything else, passes.
static bool MakeDirectory(const String& path) {
    return CreateDirectoryA(path.Text(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Level by level below the root (which is never created); empty levels of
// doubled or trailing backslashes are passed over.
bool MakeDirectoryPath(const String& path) {
    if (PathExists(WithoutTrailingBackslash(path)))
        return true;
    const char* text = path.Text();
    const char* p = text + PathRootLength(text);
    while (*p) {
        const char* end = PathLevelEnd(p);
        if (end != p) {
            String level = path.Slice(text, end - 1);
            if (!PathExists(level) && !CreateDirectoryA(level.Text(), nullptr))
                return false;
        }
        p = *end ? end + 1 : end;
    }
    return true;
}

static bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

static bool WalkEntries(const String& prefix, const String& pattern, WalkAction action,
                        bool recursive, void* context);

static bool WalkDirectory(const String& directory, WalkAction action, void* context) {
    String prefix = directory + "\\";
    return WalkEntries(prefix, prefix + "*.*", action, true, context);
}

// A walk stays inside its tree: a junction or directory link is reported
// but not entered, so a delete never reaches what it points to.
static bool WalkEntries(const String& prefix, const String& pattern, WalkAction action,
                        bool recursive, void* context) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(pattern.Text(), &found));
    if (!search.IsValid())
        return false;
    do {
        bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDirectory && IsDotEntry(found.cFileName))
            continue;
        String path = prefix + found.cFileName;
        if (isDirectory) {
            if (!action(path, WalkEvent::EnterDirectory, context))
                return false;
            bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (recursive && !isLink && !WalkDirectory(path, action, context))
                return false;
        }
        if (!action(path, isDirectory ? WalkEvent::LeaveDirectory : WalkEvent::File, context))
            return false;
    } while (FindNextFileA(search.Get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool WalkPath(const String& path, WalkAction action, bool recursive, void* context) {
    if (recursive && IsDirectory(path))
        return WalkDirectory(WithoutTrailingBackslash(path), action, context);
    return WalkEntries(PathPrefix(path), path, action, recursive, context);
}

static String TargetOf(const String& path, const TreeTarget& target) {
    return target.root + path.Items(target.componentCount, -1, "\\").Text();
}

static bool CopyEntry(const String& path, WalkEvent event, void* context) {
    const TreeTarget& target = *static_cast<const TreeTarget*>(context);
    if (event == WalkEvent::File)
        return CopyFileReplacing(path, TargetOf(path, target));
    if (event == WalkEvent::EnterDirectory)
        return MakeDirectory(TargetOf(path, target));
    return true;
}

// In one step where the system can: the destination name always holds the
// old or the new file, and a file moved onto itself is never deleted first.
// Across file systems the system would copy onto the destination in place;
// the copy goes through a temporary name instead.
static bool MoveFileReplacing(const String& source, const String& destination) {
    if (IsWindowsNT())
        return ReplaceFileInOneStep(source.Text(), destination) ||
               (GetLastError() == ERROR_NOT_SAME_DEVICE && CopyFileReplacing(source, destination) &&
                DeleteFileA(source.Text()));
    if (PathExists(destination))
        DeleteFileA(destination.Text());
    return MoveFileA(source.Text(), destination.Text()) != 0;
}

static bool MoveEntry(const String& path, WalkEvent event, void* context) {
    const TreeTarget& target = *static_cast<const TreeTarget*>(context);
    if (event == WalkEvent::File)
        return MoveFileReplacing(path, TargetOf(path, target));
    if (event == WalkEvent::EnterDirectory)
        return MakeDirectory(TargetOf(path, target));
    return RemoveDirectoryA(path.Text()) != 0;
}

static bool IsInside(const String& path, const String& directory) {
    int length = directory.Length();
    return EqualsNoCase(path.Text(), directory.Text(), static_cast<unsigned>(length)) &&
           (path.Text()[length] == 0 || path.Text()[length] == '\\');
}

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

typedef bool (*FileTransfer)(const String& source, const String& destination);

// The shape that copy and move share. An empty destination is refused: the
// entries of a tree would otherwise land in the root of the current drive.
static bool TransferPath(const String& source, const String& destination, FileTransfer transferFile,
                         WalkAction action, bool removeSource) {
    if (destination.IsEmpty())
        return Refuse(ERROR_INVALID_NAME);
    bool isDirectory = IsDirectory(source);
    if (!isDirectory && source.Item(-1, "\\").CountOf("*") == 0)
        return MakeDirectoryPath(PathPrefix(destination)) && transferFile(source, destination);
    String base = isDirectory ? WithoutTrailingBackslash(source) : source;
    TreeTarget target;
    target.componentCount = base.ItemCount("\\") - (isDirectory ? 0 : 1);
    if (isDirectory) {
        String root = WithoutTrailingBackslash(destination);
        // A tree copied into itself would grow until its paths are too long.
        if (IsInside(root, base))
            return Refuse(ERROR_INVALID_PARAMETER);
        target.root = root + "\\";
    } else {
        target.root = PathPrefix(destination);
    }
    if (!MakeDirectoryPath(target.root) || !WalkPath(base, action, true, &target))
        return false;
    return !(removeSource && isDirectory) || RemoveDirectoryA(base.Text());
}

bool CopyPath(const String& source, const String& destination) {
    return TransferPath(source, destination, CopyFileReplacing, CopyEntry, false);
}

bool MovePath(const String& source, const String& destination) {
    if (IsRootPath(source))
        return Refuse(ERROR_ACCESS_DENIED);
    return TransferPath(source, destination, MoveFileReplacing, MoveEntry, true);
}

static bool DeleteEntry(const String& path, WalkEvent event, void*) {
    if (event == WalkEvent::File) {
        // A file that stays keeps its attributes.
        DWORD attributes = GetFileAttributesA(path.Text());
        SetFileAttributesA(path.Text(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.Text()))
            return true;
        PutAttributesBack(path.Text(), attributes);
        return false;
    }
    if (event == WalkEvent::LeaveDirectory)
        return RemoveDirectoryA(path.Text()) != 0;
    return true;
}

bool DeletePath(const String& path) {
    if (IsRootPath(path))
        return Refuse(ERROR_ACCESS_DENIED);
    String target = WithoutTrailingBackslash(path);
    if (!PathExists(target))
        return true;
    if (!WalkPath(target, DeleteEntry, true, nullptr))
        return false;
    return !IsDirectory(target) || RemoveDirectoryA(target.Text());
}

static bool SetEntryAttributes(const String& path, WalkEvent event, void* context) {
    if (event != WalkEvent::File)
        return true;
    return SetFileAttributesA(path.Text(), *static_cast<const unsigned*>(context)) != 0;
}

bool SetPathAttributes(const String& path, unsigned attributes) {
    return WalkPath(path, SetEntryAttributes, false, &attributes);
}
