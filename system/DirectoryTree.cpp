#include "DirectoryTree.h"

#include <string.h>
#include <windows.h>

#include "FileCalls.h"
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

static bool IsDirectory(const WidePath& path) {
    DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectory(const String& path) { return IsDirectory(Widened(path)); }

// A level that is there already, as a directory or as anything else, passes.
static bool MakeDirectory(const WidePath& path) {
    return CreateFolder(path) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Level by level below the root (which is never created); empty levels of
// doubled or trailing separators are passed over.
bool MakeDirectoryPath(const WidePath& path) {
    if (IsDirectory(path))
        return true;
    const WCHAR* text = path.Text();
    for (int i = PathRootLength(text); text[i];) {
        int end = i;
        while (text[end] && !IsPathSeparator(text[end]))
            end++;
        if (end != i) {
            WidePath level = path.Left(end);
            if (AttributesOf(level) == INVALID_FILE_ATTRIBUTES && !CreateFolder(level))
                return false;
        }
        i = text[end] ? end + 1 : end;
    }
    // A root that does not exist, or a level with wildcards, made nothing.
    return IsDirectory(path);
}

bool MakeDirectoryPath(const String& path) { return MakeDirectoryPath(Widened(path)); }

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

static bool IsDotEntry(const WCHAR* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
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

// Called for every entry of a walk with its full path, wide from the
// listing on; false stops the walk.
typedef bool (*EntryAction)(const WidePath& path, WalkEvent event, void* context);

// The action of a walk, its context, and the folder it never enters (null
// for none): the destination of a copy or move that lies in its source.
struct WalkPlan {
    EntryAction action;
    void* context;
    const WidePath* fence;
};

static bool WalkEntries(const WidePath& prefix, const WidePath& pattern, const WalkPlan& plan, Reach reach);

static bool WalkDirectory(const WidePath& directory, const WalkPlan& plan, Reach reach) {
    WidePath prefix = directory + L"\\";
    return WalkEntries(prefix, prefix + L"*", plan, reach);
}

// A name under the program's own suffix comes after the name it is the new
// file of, one pass of the listing for each count of the suffix: a copy
// writes "x" through "x.~upd" before it copies the source's "x.~upd", which
// would otherwise be taken for a leftover and go.
GUARDED static bool WalkEntries(const WidePath& prefix, const WidePath& pattern, const WalkPlan& plan, Reach reach) {
    EntryAction action = plan.action;
    void* context = plan.context;
    for (int pass = 0, passes = 1; pass < passes; pass++) {
        FileSearch search;
        if (pattern.IsEmpty() || !search.First(pattern))
            return pass > 0;
        do {
            DWORD attributes = search.Attributes();
            bool isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if ((isDirectory && IsDotEntry(search.Name())) || (JournalActive() && IsKeptName(search.Name())))
                continue;
            int suffixes = NewFileSuffixCount(search.Name());
            if (suffixes >= passes)
                passes = suffixes + 1;
            if (suffixes != pass)
                continue;
            WidePath path = prefix + search.Name();
            if (path.IsEmpty())
                return false;
            // Through a link the fence is met under another name.
            if (isDirectory && plan.fence && (path.EqualsNoCase(*plan.fence) || SharedLinkCount(path, *plan.fence)))
                continue;
            if (isDirectory) {
                if (!action(path, WalkEvent::EnterDirectory, context))
                    return false;
                Reach inside = ReachInside(attributes, reach);
                if (inside != OneLevel && !WalkDirectory(path, plan, inside))
                    return false;
            }
            if (!action(path, isDirectory ? WalkEvent::LeaveDirectory : WalkEvent::File, context))
                return false;
        } while (search.Next());
        if (GetLastError() != ERROR_NO_MORE_FILES)
            return false;
    }
    return true;
}

// A folder link named itself is walked as an entry of its folder unless the
// walk goes through links.
static bool Walk(const WidePath& path, const WalkPlan& plan, Reach reach) {
    DWORD attributes = AttributesOf(path);
    Reach inside = ReachInside(attributes, reach);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && inside != OneLevel)
        return WalkDirectory(WithoutTrailingSeparators(path), plan, inside);
    return WalkEntries(path.Left(PathPrefixLength(path.Text())), path, plan, reach);
}

static bool WalkWide(const WidePath& path, EntryAction action, bool recursive, void* context) {
    WalkPlan plan = {action, context, nullptr};
    return Walk(path, plan, recursive ? WholeTree : OneLevel);
}

// The walk of the ANSI callers: each entry in the code page's spelling.
struct AnsiWalk {
    WalkAction action;
    void* context;
};

static bool ActInAnsi(const WidePath& path, WalkEvent event, void* context) {
    const AnsiWalk& walk = *static_cast<const AnsiWalk*>(context);
    return walk.action(path.Readable(), event, walk.context);
}

bool WalkPath(const String& path, WalkAction action, bool recursive, void* context) {
    AnsiWalk walk = {action, context};
    return WalkWide(Widened(path), ActInAnsi, recursive, &walk);
}

// One pass of a walk by depth: the action sees only the entries of `levels`
// levels, and the pass notes whether there were any.
struct DepthPass {
    EntryAction action;
    void* context;
    int levels;
    bool found;
};

static bool ActAtDepth(const WidePath& path, WalkEvent event, void* context) {
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
static bool WalkByDepth(const WidePath& path, const WalkPlan& plan, Reach reach, int firstLevels) {
    DepthPass pass = {plan.action, plan.context, firstLevels, true};
    WalkPlan passPlan = {ActAtDepth, &pass, plan.fence};
    for (; pass.found; pass.levels++) {
        pass.found = false;
        if (!Walk(path, passPlan, reach))
            return false;
    }
    return true;
}

static WidePath TargetOf(const WidePath& path, const TreeTarget& target) {
    return target.root + PathFromLevel(path.Text(), target.componentCount);
}

// The entry the last step's walk stopped at, as people read it, and the
// step's own path, which the message names already.
static String failedEntry;
static WidePath stepPath;

static void BeginEntries(const WidePath& path) {
    failedEntry = String();
    stepPath = path;
}

// `done`, the entry noted when it failed.
static bool Noting(bool done, const WidePath& path) {
    if (!done && failedEntry.IsEmpty() && !path.EqualsNoCase(stepPath)) {
        DWORD error = GetLastError();
        failedEntry = path.Readable();
        SetLastError(error);
    }
    return done;
}

String FailedEntry() { return failedEntry; }

static bool CopyEntry(const WidePath& path, WalkEvent event, void* context) {
    const TreeTarget& target = *static_cast<const TreeTarget*>(context);
    if (event == WalkEvent::File) {
        // A tree copied onto itself leaves each file as it is: the name of a
        // file's new file may be another file of the tree.
        WidePath to = TargetOf(path, target);
        return ProgressNextFile(path) && (to.EqualsNoCase(path) || Noting(CopyFileReplacing(path, to), path));
    }
    // A batch of puts holds the files of one folder.
    if (!FlushPutBatch())
        return false;
    if (event == WalkEvent::EnterDirectory)
        return Noting(MakeDirectory(TargetOf(path, target)), path);
    return true;
}

// A read-only file too; a file that stays keeps its attributes. The walks
// that call it judged every entry first (FindsLink): no link the system
// cannot reach itself is met here.
static bool DeleteFileAnyway(const WidePath& path) {
    return JournalActive() ? KeepAside(path) : DeleteFileWhole(path, AttributesOf(path));
}

// In one step where the system can: the destination name always holds the
// old or the new file, and a file moved onto itself is never deleted first.
// Across file systems the system would copy onto the destination in place;
// the copy goes through a temporary name instead.
// Under Wine a rename onto another name of the same file (a hard link) was
// seen to succeed and leave both names: the source name goes by itself, as
// the file stays under the other. One name written two ways is left alone.
// The source was judged with its tree before anything moved (FindsLink).
static bool MoveFileReplacing(const WidePath& source, const WidePath& destination) {
    if (!source.EqualsNoCase(destination)) {
        int links = SharedLinkCount(destination, source);
        if (links > 1)
            return DeleteFileAnyway(source);
        if (links == 1)
            return true;
    }
    if (IsWindowsNT() || JournalActive()) {
        // Noted by the letters its folder holds it by: an undo puts it back so.
        WidePath from = JournalActive() ? AsHeld(source) : source;
        return ReplaceFileInOneStep(from, destination) ||
               (GetLastError() == ERROR_NOT_SAME_DEVICE && CopyFileReplacing(from, destination) &&
                DeleteFileAnyway(from));
    }
    return MoveFileAt(source, destination, MOVEFILE_REPLACE_EXISTING);
}

static bool MoveEntry(const WidePath& path, WalkEvent event, void* context) {
    const TreeTarget& target = *static_cast<const TreeTarget*>(context);
    if (event == WalkEvent::File)
        return ProgressNextFile(path) && Noting(MoveFileReplacing(path, TargetOf(path, target)), path);
    if (event == WalkEvent::EnterDirectory)
        return Noting(MakeDirectory(TargetOf(path, target)), path);
    return Noting(RemoveFolder(path), path);
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

static bool NoteLink(const WidePath& path, WalkEvent event, void* context) {
    LinkSearch& search = *static_cast<LinkSearch*>(context);
    if (event == WalkEvent::LeaveDirectory || !IsLinkEntry(path) || (search.onlyStaying && ReachesLinkItself(path)))
        return true;
    search.found = true;
    return false;
}

// Whether the path, or what a walk of it meets, is a link; `onlyStaying`:
// one the system cannot reach itself (Wine). A step that would change such
// a link is refused with this before it changes anything.
static bool FindsLink(const WidePath& path, bool onlyStaying, bool recursive = true) {
    LinkSearch search = {onlyStaying, false};
    WalkWide(path, NoteLink, recursive, &search);
    return search.found;
}

bool HoldsLink(const String& path) { return FindsLink(Widened(path), false); }

typedef bool (*FileTransfer)(const WidePath& source, const WidePath& destination);

// The shape that copy and move share, on the paths as the system resolves
// them. A tree is never copied into itself, and a walk never enters its own
// destination. When the source lies in its destination and holds entries
// that would be written over before they are read, a copy goes level by
// level and a move is refused: its folders would have to be removed while
// they receive entries.
static bool TransferPath(const String& sourceText, const String& destinationText, FileTransfer transferFile,
                         EntryAction action, bool removeSource) {
    GatedPath source, destination;
    BeginEntries(WidePath());
    if (!PassGate(sourceText, removeSource ? PathRole::SourceRemoved : PathRole::SourceRead, source))
        return false;
    String base = source.full;
    bool isDirectory = IsDirectory(source.wide);
    bool isPattern = !isDirectory && strchr(base.Text() + PathPrefix(base).Length(), '*');
    PathRole role = isDirectory || isPattern ? PathRole::DestinationWritten : PathRole::DestinationReplaced;
    // A path no file system takes is refused before anything is made.
    if (!PassGate(destinationText, role, destination) || !FitsFileSystem(destination.wide))
        return false;
    // What a move would take away is judged whole before anything moves.
    if (removeSource && FindsLink(source.wide, true))
        return Refuse(ERROR_NOT_SUPPORTED);
    BeginEntries(source.wide);
    // A final separator names a folder, where one file would take the name.
    if (!isDirectory && !isPattern)
        return (EndsInSeparator(destinationText) ? Refuse(ERROR_INVALID_NAME)
                                                 : MakeDirectoryPath(WideFolderOf(destination.wide))) &&
               transferFile(source.wide, destination.wide);
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
    WidePath wideBase = source.wide;
    String placed = PlaceWithin(folder, root);
    if (!placed.IsEmpty() && !placed.EqualsNoCase(folder.Text())) {
        const char* rest = base.Text() + folder.Length();
        while (IsPathSeparator(*rest))
            rest++;
        base = *rest ? Below(placed, rest) : placed;
        folder = placed;
        wideBase = Widened(base);
    }
    TreeTarget target;
    WidePath wideRoot = isDirectory ? destination.wide : into.wide;
    int rootLength = wideRoot.Length();
    target.root = rootLength && IsPathSeparator(wideRoot.Text()[rootLength - 1]) ? wideRoot : wideRoot + L"\\";
    target.componentCount = PathLevelCount(Below(folder, "x").Text()) - 1;
    // What the source holds at the place of itself within the destination
    // would be written over.
    String rootBelow = Below(root, "");
    bool overlap = IsWithin(folder, root) && (folder.Length() <= rootBelow.Length() ||
                                              PathExists(Below(folder, folder.Text() + rootBelow.Length())));
    if (overlap && removeSource)
        return Refuse(ERROR_INVALID_PARAMETER);
    WalkPlan plan = {action, &target, &wideRoot};
    // A copy goes through folder links; a move never enters one.
    Reach reach = removeSource ? WholeTree : ThroughLinks;
    if (!MakeDirectoryPath(wideRoot))
        return false;
    if (overlap)
        return WalkByDepth(wideBase, plan, reach, target.componentCount + 1);
    // The puts of a copy wait in batches (never where the walk would meet
    // the new files of a batch in the source it reads).
    if (!removeSource)
        OpenPutBatch();
    bool walked = Walk(wideBase, plan, reach);
    DWORD error = GetLastError();
    if (!removeSource && !ClosePutBatch() && walked)
        return false;
    SetLastError(error);
    if (!walked)
        return false;
    return !(removeSource && isDirectory) || RemoveFolder(wideBase);
}

bool CopyPath(const String& source, const String& destination) {
    return TransferPath(source, destination, CopyFileReplacing, CopyEntry, false);
}

bool MovePath(const String& source, const String& destination) {
    return TransferPath(source, destination, MoveFileReplacing, MoveEntry, true);
}

// The walk passes over the names it keeps (IsKeptName), which a pattern may
// match once they are made.
static bool KeepEntry(const WidePath& path, WalkEvent event, void*) {
    return event == WalkEvent::EnterDirectory || (ProgressNextFile(path) && Noting(KeepAside(path), path));
}

static bool KeepMatchesAside(const WidePath& path) { return WalkWide(path, KeepEntry, false, nullptr); }

static bool DeleteEntry(const WidePath& path, WalkEvent event, void*) {
    if (event == WalkEvent::File)
        return ProgressNextFile(path) && Noting(DeleteFileAnyway(path), path);
    if (event == WalkEvent::LeaveDirectory)
        return Noting(RemoveFolder(path), path);
    return true;
}

GUARDED static bool WideExists(const WidePath& path) {
    FileSearch search;
    return search.First(path);
}

// The kept names in `folder` and below it go, or everything there (`all`:
// inside the copy of a kept folder). The walks cannot serve: with the
// journal open they pass the kept names over, and keep aside what they
// delete.
static bool DropKeptBelow(const WidePath& folder, bool all) {
    FileSearch search;
    if (!search.First(folder + L"\\*"))
        return true;
    do {
        DWORD attributes = search.Attributes();
        bool isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if ((isDirectory && IsDotEntry(search.Name())) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        WidePath path = folder + L"\\" + search.Name();
        bool drop = all || IsKeptName(search.Name());
        if (path.IsEmpty() || (isDirectory ? !DropKeptBelow(path, drop) || (drop && !RemoveFolderAt(path))
                                           : drop && !DeleteFileWhole(path, attributes)))
            return false;
    } while (search.Next());
    return true;
}

bool DropKeptCopies(const WidePath& tree) { return !IsDirectory(tree) || DropKeptBelow(tree, false); }

bool DeletePath(const String& path) {
    GatedPath gated;
    BeginEntries(WidePath());
    if (!PassGate(path, PathRole::Deleted, gated))
        return false;
    BeginEntries(gated.wide);
    return DeleteTree(gated.wide);
}

bool DeleteTree(const WidePath& target) {
    if (!WideExists(target))
        return true;
    // A link that would stay, where the system reaches only what it leads
    // to, stops the delete before anything goes (and before a kept tree
    // could not be deleted at the commit).
    if (FindsLink(target, true))
        return Refuse(ERROR_NOT_SUPPORTED);
    if (JournalActive())
        return KeepMatchesAside(target);
    if (!WalkWide(target, DeleteEntry, true, nullptr))
        return false;
    return !IsDirectory(target) || RemoveFolder(target);
}

// A link's attributes are never set: the system would set those of what it
// leads to.
static bool SetEntryAttributes(const WidePath& path, WalkEvent event, void* context) {
    unsigned attributes = *static_cast<const unsigned*>(context);
    return event != WalkEvent::File || Noting(SetAttributesNoted(path, attributes), path);
}

bool SetPathAttributes(const String& path, unsigned attributes) {
    GatedPath gated;
    BeginEntries(WidePath());
    if (!PassGate(path, PathRole::DestinationWritten, gated))
        return false;
    BeginEntries(gated.wide);
    if (FindsLink(gated.wide, false, false))
        return Refuse(ERROR_NOT_SUPPORTED);
    return WalkWide(gated.wide, SetEntryAttributes, false, &attributes);
}
