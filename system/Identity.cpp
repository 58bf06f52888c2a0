#include "Identity.h"

#include <stdlib.h>
#include <string.h>

#include "FileCalls.h"
#include "Handles.h"
#include "Libraries.h"
#include "foundation/PathText.h"

namespace {

// Through a handle that asks no access, which a file open without sharing
// still gives, and FILE_FLAG_BACKUP_SEMANTICS, without which a folder does
// not open. FILE_FLAG_OPEN_REPARSE_POINT in `flags` opens a link itself.
HANDLE OpenObject(const WidePath& path, DWORD flags = 0) {
    return OpenFileAt(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | flags);
}

bool InformationOf(const WidePath& path, BY_HANDLE_FILE_INFORMATION& info, DWORD flags = 0) {
    FileHandle file(OpenObject(path, flags));
    return file.IsValid() && GetFileInformationByHandle(file.Get(), &info);
}

ObjectId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    ObjectId id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return id;
}

typedef DWORD(WINAPI* FinalPathFunction)(HANDLE, LPWSTR, DWORD, DWORD);

// Vista and later; before them the attributes tell every link there is.
FinalPathFunction FinalPathName() {
    static FinalPathFunction function = reinterpret_cast<FinalPathFunction>(
        reinterpret_cast<void*>(KernelFunction("GetFinalPathNameByHandleW")));
    return function;
}

// The final path of the object an open handle reaches, as the system names it
// ("\\\\?\\C:\\a", "\\\\?\\UNC\\server\\share\\a"; Wine: a drive letter it picks, or
// "\\\\?\\unix\\..." outside every drive), however long. False where the
// system cannot say.
bool FinalPathThrough(HANDLE file, WidePath& final) {
    FinalPathFunction function = FinalPathName();
    if (!function)
        return false;
    // Asked once where the path fits the buffer on the stack: under Wine
    // each call costs a request to the server and a search of the drives.
    WCHAR fits[2 * MAX_PATH];
    DWORD size = function(file, fits, 2 * MAX_PATH, 0);
    if (size > 0 && size < 2 * MAX_PATH)
        return final.Assign(fits, static_cast<int>(size));
    WCHAR* buffer = size ? static_cast<WCHAR*>(malloc(size * sizeof(WCHAR))) : nullptr;
    DWORD length = buffer ? function(file, buffer, size, 0) : 0;
    bool done = length > 0 && length < size && final.Assign(buffer, static_cast<int>(length));
    free(buffer);
    return done;
}

// The same of the object `path` reaches.
bool FinalPathOf(const WidePath& path, WidePath& final) {
    FileHandle file(FinalPathName() ? OpenObject(path) : INVALID_HANDLE_VALUE);
    return file.IsValid() && FinalPathThrough(file.Get(), final);
}

// True when nothing but separators follows the root of a final path: after
// "\\\\?\\" one level ("C:", "unix", "Volume{...}"), or three for "UNC".
bool IsFinalRoot(const WCHAR* final) {
    const WCHAR* p = final;
    if (IsPathSeparator(p[0]) && IsPathSeparator(p[1]) && (p[2] == L'?' || p[2] == L'.') && IsPathSeparator(p[3]))
        p += 4;
    int levels = EqualsNoCase(p, L"UNC\\", 4) ? 3 : 1;
    for (; levels > 0 && *p; levels--) {
        while (*p && !IsPathSeparator(*p))
            p++;
        while (IsPathSeparator(*p))
            p++;
    }
    return levels == 0 && !*p;
}

// The final path of the folder asked for last, kept: a walk asks for every
// file of one folder in turn. The program never makes a link, so a folder's
// final path changes only if something else changes the tree meanwhile.
WidePath lastFolder, lastFolderFinal;

bool FolderFinalPath(const WidePath& folder, WidePath& final) {
    if (lastFolder.IsEmpty() || lastFolder.Length() != folder.Length() ||
        memcmp(lastFolder.Text(), folder.Text(), folder.Length() * sizeof(WCHAR)) != 0) {
        lastFolder = WidePath();
        if (!FinalPathOf(folder, lastFolderFinal) || !lastFolder.Assign(folder.Text()))
            return false;
    }
    final = lastFolderFinal;
    return !final.IsEmpty();
}

// A name that shows as a file but is not the file its folder holds under
// that name: its object's final path is another folder's, or another name.
bool FileNameLeadsElsewhere(const WidePath& path, WidePath* held, HANDLE* opened) {
    WidePath object, expected;
    WidePath folder = WideFolderOf(path);
    const WCHAR* name = path.Text() + PathPrefixLength(path.Text());
    if (folder.IsEmpty() || !*name || !FinalPathName())
        return false;
    // Opened to be renamed next where the caller asks (a file held without
    // FILE_SHARE_DELETE is asked about as any other, and its rename fails).
    FileHandle file(opened ? OpenFileAt(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        OPEN_EXISTING, 0)
                           : INVALID_HANDLE_VALUE);
    // Wine names no object past MAX_PATH: a name whose own place has a short
    // final path (its folder's, and the name) but whose object has none, and
    // opens, reaches another object, one that lies deeper (a link to it).
    if (!(file.IsValid() ? FinalPathThrough(file.Get(), object) : FinalPathOf(path, object))) {
        bool opens = file.IsValid() || FileHandle(OpenObject(path)).IsValid();
        return opens && FolderFinalPath(folder, expected) &&
               expected.Length() + 1 + (path.Length() - static_cast<int>(name - path.Text())) < MAX_PATH - 8;
    }
    // Wine gives no final path for a folder past MAX_PATH (ERROR_MORE_DATA
    // with any buffer): the object then lies elsewhere unless its own final
    // path is a name of that folder, the same object, and the same name.
    if (!FolderFinalPath(folder, expected)) {
        ObjectId in, listed;
        return !IdentityOf(WideFolderOf(object), in) || !IdentityOf(folder, listed) || !SameObject(in, listed) ||
               !EqualsNoCase(object.Text() + PathPrefixLength(object.Text()), name);
    }
    int length = expected.Length();
    if (length > 0 && !IsPathSeparator(expected.Text()[length - 1])) {
        if (!expected.Append(L"\\"))
            return false;
        length++;
    }
    if (!expected.Append(name))
        return false;
    bool elsewhere = !EqualsNoCase(object.Text(), expected.Text());
    // The same name but for the letters: the object's final path holds them as the folder does.
    if (held && !elsewhere)
        *held = path.Left(PathPrefixLength(path.Text())) + (object.Text() + length);
    if (opened && !elsewhere)
        *opened = file.Release();
    return elsewhere;
}

// The path from `folder` on, for `path` whose level `level` is `folder`.
String Respelled(const String& path, const String& level, const String& folder) {
    const char* rest = path.Text() + level.Length();
    while (IsPathSeparator(*rest))
        rest++;
    if (!*rest)
        return folder;
    return EndsInSeparator(folder) ? folder + rest : folder + "\\" + rest;
}

// A search of the folders below `folder` (links not entered) for one that is
// `wanted`; at most `budget` folders are listed.
String FindFolder(const String& folder, const ObjectId& wanted, int& budget) {
    if (--budget < 0)
        return String();
    String prefix = EndsInSeparator(folder) ? folder : folder + "\\";
    FileSearch search;
    if (!search.First(Widened(prefix + "*")))
        return String();
    do {
        const WCHAR* name = search.Name();
        DWORD attributes = search.Attributes();
        WidePath wideName;
        String spelled;
        // A name the code page cannot spell is passed over: its ANSI form names another folder, or none.
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]))) || !wideName.Assign(name) ||
            !wideName.ToAnsi(spelled))
            continue;
        String path = prefix + spelled;
        ObjectId id;
        if (IdentityOf(path.Text(), id) && SameObject(id, wanted))
            return path;
        String below = FindFolder(path, wanted, budget);
        if (!below.IsEmpty())
            return below;
    } while (search.Next());
    return String();
}

// How many folders a search for a second drive letter lists at the most: a
// bigger tree is taken to hold none.
const int SearchBudget = 4096;

} // namespace

bool IdentityOf(const char* path, ObjectId& id) { return IdentityOf(Widened(path), id); }

bool IdentityOf(const WidePath& path, ObjectId& id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!InformationOf(path, info))
        return false;
    id = IdOf(info);
    return true;
}

bool SameObject(const ObjectId& a, const ObjectId& b) {
    return a.volume == b.volume && a.high == b.high && a.low == b.low && (a.high | a.low) != 0;
}

int SharedLinkCount(const char* first, const char* second) {
    return SharedLinkCount(Widened(first), Widened(second));
}

int SharedLinkCount(const WidePath& first, const WidePath& second) {
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = InformationOf(first, a) && InformationOf(second, b) && SameObject(IdOf(a), IdOf(b));
    return same ? static_cast<int>(a.nNumberOfLinks) : 0;
}

bool IsLinkEntry(const String& path, DWORD attributes) {
    return IsLinkEntry(Widened(path), attributes);
}

bool IsLinkEntry(const WidePath& path, DWORD attributes, WidePath* held, HANDLE* opened) {
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return true;
    return !(attributes & FILE_ATTRIBUTE_DIRECTORY) && FileNameLeadsElsewhere(path, held, opened);
}

bool IsLinkEntry(const String& path) { return IsLinkEntry(Widened(path)); }

bool IsLinkEntry(const WidePath& path) { return IsLinkEntry(path, AttributesOf(path)); }

// Wine 8 was seen to follow a link in every call that opens it,
// FILE_FLAG_OPEN_REPARSE_POINT or not: DeleteFileA on a link to a file
// deleted the file, MoveFileA moved it, SetFileAttributesA set its
// attributes, RemoveDirectoryA on a folder link removed the folder it leads
// to when that was empty. Where the link opens as an object of its own
// (other than what it leads to, or leading nowhere), the system acts on the
// link.
bool ReachesLinkItself(const char* path) { return ReachesLinkItself(Widened(path)); }

bool ReachesLinkItself(const WidePath& path) {
    BY_HANDLE_FILE_INFORMATION link, target;
    return InformationOf(path, link, FILE_FLAG_OPEN_REPARSE_POINT) &&
           !(InformationOf(path, target) && SameObject(IdOf(link), IdOf(target)));
}

bool ChangesNameItself(const String& path) { return ChangesNameItself(Widened(path)); }

bool ChangesNameItself(const WidePath& path) { return !IsLinkEntry(path) || ReachesLinkItself(path); }

// In UTF-16: a folder the code page cannot spell may be a drive's root too.
bool IsRootObject(const WidePath& path) {
    const WCHAR* name = path.Text() + PathPrefixLength(path.Text());
    const WCHAR* p = name;
    while (*p == L'*' || *p == L'?' || *p == L'.' || *p == L' ')
        p++;
    // Nothing but wildcards, dots and spaces: everything in the folder.
    bool takesAll = *name && !*p;
    if (!takesAll && NameHasWildcard(path.Text()))
        return false;
    WidePath final;
    return FinalPathOf(takesAll ? WideFolderOf(path) : path, final) && IsFinalRoot(final.Text());
}

// Where `path` lies: the final path of its deepest level that the system
// names (links on the way followed, "\\?\" taken off) and the levels below
// it; empty where the system names none, or in a form the code page cannot
// spell.
static String WherePathLies(const String& path) {
    for (String level = path; level.Length() > PathRootLength(level.Text());) {
        WidePath final;
        String spelled;
        if (FinalPathOf(Widened(level), final) && final.ToAnsi(spelled))
            return Respelled(path, level, WithoutLongPrefix(spelled));
        String up = FolderOf(level);
        if (up.Length() >= level.Length())
            break;
        level = up;
    }
    return String();
}

// The levels of `path`, from its own down to its root, against `wanted`:
// true with the level that is it in `level`; false with the top reached.
static bool FindLevel(const WidePath& path, const ObjectId& wanted, WidePath& level) {
    ObjectId found;
    for (level = path;;) {
        if (IdentityOf(level, found) && SameObject(wanted, found))
            return true;
        WidePath up = WideFolderOf(level);
        if (up.Length() >= level.Length())
            return false;
        level = up;
    }
}

// FindLevel for a path in the code page: `path` spelled from `folder` on,
// or empty.
static String PlaceByLevels(const String& path, const ObjectId& wanted, const String& folder, String& top) {
    WidePath level;
    bool found = FindLevel(Widened(path), wanted, level);
    if (!level.ToAnsi(top))
        return String();
    return found ? Respelled(path, top, folder) : String();
}

bool Overlaps(const WidePath& path, const WidePath& folder) {
    String ansiPath, ansiFolder;
    if (path.ToAnsi(ansiPath) && folder.ToAnsi(ansiFolder))
        return Overlaps(ansiPath, ansiFolder);
    ObjectId wanted;
    WidePath final, level;
    return IdentityOf(folder, wanted) &&
           (FindLevel(path, wanted, level) || (FinalPathOf(path, final) && FindLevel(final, wanted, level)));
}

String PlaceWithin(const String& path, const String& folder) {
    if (IsPathInside(path.Text(), folder.Text()))
        return path;
    ObjectId wanted, found;
    if (!IdentityOf(folder.Text(), wanted))
        return String();
    String level, lies;
    String placed = PlaceByLevels(path, wanted, folder, level);
    if (!placed.IsEmpty())
        return placed;
    // A link on the way leads elsewhere than its levels say: where the
    // object truly lies, its levels are compared too.
    lies = WherePathLies(path);
    String ignored;
    if (!lies.IsEmpty() && !lies.EqualsNoCase(path.Text()) &&
        !(placed = PlaceByLevels(lies, wanted, folder, ignored)).IsEmpty())
        return placed;
    // The top of `path` may be a drive letter given to a folder of `folder`:
    // only a root other than the root of `folder` can be.
    String top = folder.Slice(folder.Text(), folder.Text() + PathRootLength(folder.Text()) - 1);
    if (PathRootLength(level.Text()) == 0 || level.EqualsNoCase(top.Text()) || !IdentityOf(level.Text(), found))
        return String();
    int budget = SearchBudget;
    String alias = FindFolder(folder, found, budget);
    return alias.IsEmpty() ? String() : Respelled(path, level, alias);
}
