#include "DirectoryTree.h"

#include <string.h>
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

// A level that is there already, as a directory or as anything else, passes.
static bool MakeDirectory(const String& path) {
    return CreateDirectoryA(path.Text(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Level by level below the root (which is never created); empty levels of
// doubled or trailing separators are passed over.
bool MakeDirectoryPath(const String& path) {
    if (PathExists(WithoutTrailingSeparators(path)))
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

// How far a walk goes. A copy goes through a folder link to what it points
// to, as xcopy /E does, but not through a link met inside linked content: no
// link is followed twice, so a link back to a folder above ends there. Other
// walks report a link but never enter it, so they never reach what it
// points to.
enum Reach { OneLevel, WholeTree, ThroughLinks };

// The reach inside a folder with these attributes; OneLevel: not entered.
static Reach ReachInside(DWORD attributes, Reach reach) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return reach;
    return reach == ThroughLinks ? WholeTree : OneLevel;
}

static bool WalkEntries(const String& prefix, const String& pattern, WalkAction action, Reach reach,
                        void* context);

static bool WalkDirectory(const String& directory, WalkAction action, Reach reach, void* context) {
    String prefix = directory + "\\";
    return WalkEntries(prefix, prefix + "*.*", action, reach, context);
}

static bool WalkEntries(const String& prefix, const String& pattern, WalkAction action, Reach reach,
                        void* context) {
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
            Reach inside = ReachInside(found.dwFileAttributes, reach);
            if (inside != OneLevel && !WalkDirectory(path, action, inside, context))
                return false;
        }
        if (!action(path, isDirectory ? WalkEvent::LeaveDirectory : WalkEvent::File, context))
            return false;
    } while (FindNextFileA(search.Get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

// A folder link named itself is walked as an entry of its folder unless the
// walk goes through links.
static bool Walk(const String& path, WalkAction action, Reach reach, void* context) {
    DWORD attributes = GetFileAttributesA(path.Text());
    Reach inside = ReachInside(attributes, reach);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && inside != OneLevel)
        return WalkDirectory(WithoutTrailingSeparators(path), action, inside, context);
    return WalkEntries(PathPrefix(path), path, action, reach, context);
}

bool WalkPath(const String& path, WalkAction action, bool recursive, void* context) {
    return Walk(path, action, recursive ? WholeTree : OneLevel, context);
}

static String TargetOf(const String& path, const TreeTarget& target) {
    return target.root + PathFromLevel(path.Text(), target.componentCount);
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

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

typedef bool (*FileTransfer)(const String& source, const String& destination);

// The shape that copy and move share. An empty destination is refused: the
// entries of a tree would otherwise land in the root of the current drive.
// So is a device on either side: a read of one may never end.
static bool TransferPath(const String& source, const String& destination, FileTransfer transferFile,
                         WalkAction action, bool removeSource) {
    if (destination.IsEmpty())
        return Refuse(ERROR_INVALID_NAME);
    if (IsRootOrDevice(source) || IsDeviceName(destination))
        return Refuse(ERROR_ACCESS_DENIED);
    bool isDirectory = IsDirectory(source);
    if (!isDirectory && !strchr(source.Text() + PathPrefix(source).Length(), '*'))
        return MakeDirectoryPath(PathPrefix(destination)) && transferFile(source, destination);
    String base = isDirectory ? WithoutTrailingSeparators(source) : source;
    TreeTarget target;
    target.componentCount = PathLevelCount(base.Text()) - (isDirectory ? 0 : 1);
    if (isDirectory) {
        String root = WithoutTrailingSeparators(destination);
        // A tree copied into itself would grow until its paths are too long.
        if (IsPathInside(FullPath(root).Text(), FullPath(base).Text()))
            return Refuse(ERROR_INVALID_PARAMETER);
        target.root = root + "\\";
    } else {
        // Matches go to the destination's folder, which must be named: the
        // current folder is nothing an update can rely on.
        target.root = PathPrefix(destination);
        if (target.root.IsEmpty() || !IsPathSeparator(target.root.Text()[target.root.Length() - 1]))
            return Refuse(ERROR_INVALID_NAME);
    }
    // A copy goes through folder links; a move never enters one.
    if (!MakeDirectoryPath(target.root) || !Walk(base, action, removeSource ? WholeTree : ThroughLinks, &target))
        return false;
    return !(removeSource && isDirectory) || RemoveDirectoryA(base.Text());
}

bool CopyPath(const String& source, const String& destination) {
    return TransferPath(source, destination, CopyFileReplacing, CopyEntry, false);
}

bool MovePath(const String& source, const String& destination) {
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
    if (IsRootOrDevice(path))
        return Refuse(ERROR_ACCESS_DENIED);
    String target = WithoutTrailingSeparators(path);
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
    return !IsRootOrDevice(path) && WalkPath(path, SetEntryAttributes, false, &attributes);
}
