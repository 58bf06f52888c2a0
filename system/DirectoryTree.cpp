#include "DirectoryTree.h"

#include <string.h>
#include <windows.h>

#include "FileData.h"
#include "FileReplace.h"
#include "HandleCopy.h"
#include "Handles.h"
#include "Identity.h"
#include "Journal.h"
#include "Keep.h"
#include "PathGate.h"
#include "Progress.h"
#include "Shell.h"
#include "foundation/Multibyte.h"
#include "foundation/PathText.h"

bool IsDirectory(const String& path) {
    DWORD attributes = GetFileAttributesA(path.Text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A level that is there already, as a directory or as anything else, passes.
static bool MakeDirectory(const String& path) {
    return CreateFolder(path) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Level by level below the root (which is never created); empty levels of
// doubled or trailing separators are passed over.
bool MakeDirectoryPath(const String& path) {
    if (IsDirectory(path))
        return true;
    const char* text = path.Text();
    const char* p = text + PathRootLength(text);
    while (*p) {
        const char* end = PathLevelEnd(p);
        if (end != p) {
            String level = path.Slice(text, end - 1);
            if (!PathExists(level) && !CreateFolder(level))
                return false;
        }
        p = *end ? end + 1 : end;
    }
    // A root that does not exist, or a level with wildcards, made nothing.
    return IsDirectory(path);
}

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// A link goes itself, never what it leads to: where the system only
// reaches what it leads to, the link stays and the step fails.
static bool RemoveFolderItself(const String& path) {
    return ChangesNameItself(path) ? RemoveFolder(path) : Refuse(ERROR_NOT_SUPPORTED);
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

// The action of a walk, its context, and the folder it never enters (null
// for none): the destination of a copy or move that lies in its source.
struct WalkPlan {
    WalkAction action;
    void* context;
    const String* fence;
};

static bool WalkEntries(const String& prefix, const String& pattern, const WalkPlan& plan, Reach reach);

static bool WalkDirectory(const String& directory, const WalkPlan& plan, Reach reach) {
    String prefix = directory + "\\";
    return WalkEntries(prefix, prefix + "*.*", plan, reach);
}

static bool WalkEntries(const String& prefix, const String& pattern, const WalkPlan& plan, Reach reach) {
    WalkAction action = plan.action;
    void* context = plan.context;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(pattern.Text(), &found));
    if (!search.IsValid())
        return false;
    do {
        bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if ((isDirectory && IsDotEntry(found.cFileName)) || (JournalActive() && IsKeptName(found.cFileName)))
            continue;
        String path = prefix + found.cFileName;
        // Through a link the fence is met under another name.
        if (isDirectory && plan.fence &&
            (path.EqualsNoCase(plan.fence->Text()) || SharedLinkCount(path.Text(), plan.fence->Text())))
            continue;
        if (isDirectory) {
            if (!action(path, WalkEvent::EnterDirectory, context))
                return false;
            Reach inside = ReachInside(found.dwFileAttributes, reach);
            if (inside != OneLevel && !WalkDirectory(path, plan, inside))
                return false;
        }
        if (!action(path, isDirectory ? WalkEvent::LeaveDirectory : WalkEvent::File, context))
            return false;
    } while (FindNextFileA(search.Get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

// A folder link named itself is walked as an entry of its folder unless the
// walk goes through links.
static bool Walk(const String& path, const WalkPlan& plan, Reach reach) {
    DWORD attributes = GetFileAttributesA(path.Text());
    Reach inside = ReachInside(attributes, reach);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && inside != OneLevel)
        return WalkDirectory(WithoutTrailingSeparators(path), plan, inside);
    return WalkEntries(PathPrefix(path), path, plan, reach);
}

bool WalkPath(const String& path, WalkAction action, bool recursive, void* context) {
    WalkPlan plan = {action, context, nullptr};
    return Walk(path, plan, recursive ? WholeTree : OneLevel);
}

// One pass of a walk by depth: the action sees only the entries of `levels`
// levels, and the pass notes whether there were any.
struct DepthPass {
    WalkAction action;
    void* context;
    int levels;
    bool found;
};

static bool ActAtDepth(const String& path, WalkEvent event, void* context) {
    DepthPass& pass = *static_cast<DepthPass*>(context);
    if (PathLevelCount(path.Text()) != pass.levels)
        return true;
    pass.found = true;
    return pass.action(path, event, pass.context);
}

// The entries of one level, then those of the next, each pass walking the
// tree anew: when the source lies in its destination, an entry n levels
// down is written where an entry of fewer levels was, which has then been
// read already. Entries written by a pass lie at levels passed before.
static bool WalkByDepth(const String& path, const WalkPlan& plan, Reach reach, int firstLevels) {
    DepthPass pass = {plan.action, plan.context, firstLevels, true};
    WalkPlan passPlan = {ActAtDepth, &pass, plan.fence};
    for (; pass.found; pass.levels++) {
        pass.found = false;
        if (!Walk(path, passPlan, reach))
            return false;
    }
    return true;
}

static String TargetOf(const String& path, const TreeTarget& target) {
    return target.root + PathFromLevel(path.Text(), target.componentCount);
}

static bool CopyEntry(const String& path, WalkEvent event, void* context) {
    const TreeTarget& target = *static_cast<const TreeTarget*>(context);
    if (event == WalkEvent::File)
        return ProgressNextFile(path.Text()) && CopyFileReplacing(path, TargetOf(path, target));
    // A batch of puts holds the files of one folder.
    if (!FlushPutBatch())
        return false;
    if (event == WalkEvent::EnterDirectory)
        return MakeDirectory(TargetOf(path, target));
    return true;
}

// A read-only file too; a file that stays keeps its attributes. The walks
// that call it judged every entry first (FindsLink): no link the system
// cannot reach itself is met here.
static bool DeleteFileAnyway(const String& path) {
    if (JournalActive())
        return KeepAside(path);
    DWORD attributes = GetFileAttributesA(path.Text());
    SetFileAttributesA(path.Text(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path.Text()))
        return true;
    PutAttributesBack(path.Text(), attributes);
    return false;
}

// In one step where the system can: the destination name always holds the
// old or the new file, and a file moved onto itself is never deleted first.
// Across file systems the system would copy onto the destination in place;
// the copy goes through a temporary name instead.
// Under Wine a rename onto another name of the same file (a hard link) was
// seen to succeed and leave both names: the source name goes by itself, as
// the file stays under the other. One name written two ways is left alone.
// The source was judged with its tree before anything moved (FindsLink).
static bool MoveFileReplacing(const String& source, const String& destination) {
    if (!source.EqualsNoCase(destination.Text())) {
        int links = SharedLinkCount(destination.Text(), source.Text());
        if (links > 1)
            return DeleteFileAnyway(source);
        if (links == 1)
            return true;
    }
    if (IsWindowsNT() || JournalActive())
        return ReplaceFileInOneStep(source.Text(), destination) ||
               (GetLastError() == ERROR_NOT_SAME_DEVICE && CopyFileReplacing(source, destination) &&
                DeleteFileAnyway(source));
    if (PathExists(destination))
        DeleteFileA(destination.Text());
    return MoveFileA(source.Text(), destination.Text()) != 0;
}

static bool MoveEntry(const String& path, WalkEvent event, void* context) {
    const TreeTarget& target = *static_cast<const TreeTarget*>(context);
    if (event == WalkEvent::File)
        return ProgressNextFile(path.Text()) && MoveFileReplacing(path, TargetOf(path, target));
    if (event == WalkEvent::EnterDirectory)
        return MakeDirectory(TargetOf(path, target));
    return RemoveFolderItself(path);
}

static String Below(const String& folder, const char* name) {
    const char* text = folder.Text();
    const char* last = text + folder.Length() - 1;
    bool hasSeparator = folder.Length() > 0 && IsPathSeparator(*last) && IsCharBoundary(text, last);
    return hasSeparator ? folder + name : folder + "\\" + name;
}

struct LinkSearch {
    bool onlyStaying; // only links the system cannot reach themselves count
    bool found;
};

static bool NoteLink(const String& path, WalkEvent event, void* context) {
    LinkSearch& search = *static_cast<LinkSearch*>(context);
    if (event == WalkEvent::LeaveDirectory || !IsLinkEntry(path) ||
        (search.onlyStaying && ReachesLinkItself(path.Text())))
        return true;
    search.found = true;
    return false;
}

// Whether the path, or what a walk of it meets, is a link; `onlyStaying`:
// one the system cannot reach itself (Wine). A step that would change such
// a link is refused with this before it changes anything.
static bool FindsLink(const String& path, bool onlyStaying, bool recursive = true) {
    LinkSearch search = {onlyStaying, false};
    WalkPath(path, NoteLink, recursive, &search);
    return search.found;
}

bool HoldsLink(const String& path) { return FindsLink(path, false); }

typedef bool (*FileTransfer)(const String& source, const String& destination);

// The shape that copy and move share, on the paths as the system resolves
// them. A tree is never copied into itself, and a walk never enters its own
// destination. When the source lies in its destination and holds entries
// that would be written over before they are read, a copy goes level by
// level and a move is refused: its folders would have to be removed while
// they receive entries.
static bool TransferPath(const String& sourceText, const String& destinationText, FileTransfer transferFile,
                         WalkAction action, bool removeSource) {
    GatedPath source, destination;
    if (!PassGate(sourceText, removeSource ? PathRole::SourceRemoved : PathRole::SourceRead, source))
        return false;
    String base = source.full;
    bool isDirectory = IsDirectory(base);
    bool isPattern = !isDirectory && strchr(base.Text() + PathPrefix(base).Length(), '*');
    PathRole role = isDirectory || isPattern ? PathRole::DestinationWritten : PathRole::DestinationReplaced;
    if (!PassGate(destinationText, role, destination))
        return false;
    // What a move would take away is judged whole before anything moves.
    if (removeSource && FindsLink(base, true))
        return Refuse(ERROR_NOT_SUPPORTED);
    // A final separator names a folder, where one file would take the name.
    if (!isDirectory && !isPattern)
        return (EndsInSeparator(destinationText) ? Refuse(ERROR_INVALID_NAME)
                                                 : MakeDirectoryPath(FolderOf(destination.full))) &&
               transferFile(base, destination.full);
    // Matches go to the destination's folder, which must be named: the
    // current folder is nothing an update can rely on.
    // They go into the folder the text names before its last level, even
    // when that level is empty, "." or "..": "<W>\d\" receives them in d.
    String named = PathPrefix(destinationText);
    if (isPattern && !EndsInSeparator(named))
        return Refuse(ERROR_INVALID_NAME);
    GatedPath into;
    if (isPattern && !PassGate(named, PathRole::DestinationWritten, into))
        return false;
    String folder = isDirectory ? base : FolderOf(base);
    String root = isDirectory ? destination.full : into.full;
    if (isDirectory && Overlaps(root, folder))
        return Refuse(ERROR_INVALID_PARAMETER);
    // A source that lies in its destination under another name (a link, a
    // second drive letter, a short name) is named from the destination on,
    // so the overlap is seen.
    String placed = PlaceWithin(folder, root);
    if (!placed.IsEmpty() && !placed.EqualsNoCase(folder.Text())) {
        const char* rest = base.Text() + folder.Length();
        while (IsPathSeparator(*rest))
            rest++;
        base = *rest ? Below(placed, rest) : placed;
        folder = placed;
    }
    TreeTarget target;
    target.root = Below(root, "");
    target.componentCount = PathLevelCount(Below(folder, "x").Text()) - 1;
    // What the source holds at the place of itself within the destination
    // would be written over.
    bool overlap = IsWithin(folder, root) && (folder.Length() <= target.root.Length() ||
                                              PathExists(Below(folder, folder.Text() + target.root.Length())));
    if (overlap && removeSource)
        return Refuse(ERROR_INVALID_PARAMETER);
    WalkPlan plan = {action, &target, &root};
    // A copy goes through folder links; a move never enters one.
    Reach reach = removeSource ? WholeTree : ThroughLinks;
    if (!MakeDirectoryPath(root))
        return false;
    if (overlap)
        return WalkByDepth(base, plan, reach, target.componentCount + 1);
    // The puts of a copy wait in batches (never where the walk would meet
    // the new files of a batch in the source it reads).
    if (!removeSource)
        OpenPutBatch();
    bool walked = Walk(base, plan, reach);
    DWORD error = GetLastError();
    if (!removeSource && !ClosePutBatch() && walked)
        return false;
    SetLastError(error);
    if (!walked)
        return false;
    return !(removeSource && isDirectory) || RemoveFolderItself(base);
}

bool CopyPath(const String& source, const String& destination) {
    return TransferPath(source, destination, CopyFileReplacing, CopyEntry, false);
}

bool MovePath(const String& source, const String& destination) {
    return TransferPath(source, destination, MoveFileReplacing, MoveEntry, true);
}

// context: true when the walk matches a pattern, which may match the names
// the walk itself keeps.
static bool KeepEntry(const String& path, WalkEvent event, void* context) {
    bool pattern = *static_cast<bool*>(context);
    if (event == WalkEvent::EnterDirectory || (pattern && String(path.Text() + PathPrefix(path).Length()).CountOf(".~upd")))
        return true;
    return ProgressNextFile(path.Text()) && KeepAside(path);
}

static bool KeepMatchesAside(const String& path) {
    bool pattern = strpbrk(path.Text() + PathPrefix(path).Length(), "*?") != nullptr;
    return WalkPath(path, KeepEntry, false, &pattern);
}

static bool DeleteEntry(const String& path, WalkEvent event, void*) {
    if (event == WalkEvent::File)
        return ProgressNextFile(path.Text()) && DeleteFileAnyway(path);
    if (event == WalkEvent::LeaveDirectory)
        return RemoveFolderItself(path);
    return true;
}

bool DeletePath(const String& path) {
    GatedPath gated;
    if (!PassGate(path, PathRole::Deleted, gated))
        return false;
    const String& target = gated.full;
    if (!PathExists(target))
        return true;
    // A link that would stay, where the system reaches only what it leads
    // to, stops the delete before anything goes (and before a kept tree
    // could not be deleted at the commit).
    if (FindsLink(target, true))
        return Refuse(ERROR_NOT_SUPPORTED);
    if (JournalActive())
        return KeepMatchesAside(target);
    if (!WalkPath(target, DeleteEntry, true, nullptr))
        return false;
    return !IsDirectory(target) || RemoveFolderItself(target);
}

static bool SetEntryAttributes(const String& path, WalkEvent event, void* context) {
    if (event != WalkEvent::File)
        return true;
    return SetAttributesNoted(path, *static_cast<const unsigned*>(context));
}

bool SetPathAttributes(const String& path, unsigned attributes) {
    GatedPath gated;
    if (!PassGate(path, PathRole::DestinationWritten, gated))
        return false;
    if (FindsLink(gated.full, false, false))
        return Refuse(ERROR_NOT_SUPPORTED);
    return WalkPath(gated.full, SetEntryAttributes, false, &attributes);
}
