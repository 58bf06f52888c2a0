// What a path reaches, judged by the object and never by the text: whether
// its last level is a link, whether its object is the root of a drive, and
// whether it lies within a folder reached some other way (a link on the
// way, a second drive letter, a short name).
//
// How links show (see docs/links-and-second-names.md): on Windows a symbolic
// link, a junction and a mount point carry the reparse-point attribute, and
// FILE_FLAG_OPEN_REPARSE_POINT opens the link itself. Wine 8 shows a link to
// a folder by the attribute but a link to a file as the file it leads to,
// and opens what a link leads to whatever the flags. There the final path of
// the object tells: a name whose object's final path is not its folder's
// final path and its own name is a link.
#pragma once

#include <windows.h>

#include "WidePath.h"
#include "foundation/String.h"

// The volume and file index of the object a path reaches (links followed).
struct ObjectId {
    DWORD volume, high, low;
};

// False when the path does not open.
bool IdentityOf(const char* path, ObjectId& id);
bool IdentityOf(const WidePath& path, ObjectId& id);
// Some file systems (network shares among them) give every file the index
// 0: that tells nothing, and is never the same.
bool SameObject(const ObjectId& a, const ObjectId& b);

// When the two names are one file (the same name, or hard links of one
// file), the number of names the file has; 0 otherwise.
int SharedLinkCount(const char* first, const char* second);
int SharedLinkCount(const WidePath& first, const WidePath& second);

// True when the last level of `path` is a link of any kind, to a file or a
// folder, dangling or not. `attributes` as the folder's listing or
// GetFileAttributesA gives them.
// `held` (when given) gets the name as its folder holds it, in its own
// letters, where the system tells that on the way (a file that is no link).
// `opened` (when given) gets a handle of the file with DELETE access where
// it is no link and the test opened it so; the caller closes it.
bool IsLinkEntry(const String& path, DWORD attributes);
bool IsLinkEntry(const String& path);
bool IsLinkEntry(const WidePath& path, DWORD attributes, WidePath* held = nullptr, HANDLE* opened = nullptr);
bool IsLinkEntry(const WidePath& path);

// True when a call on the link `path` acts on the link, not on what it leads
// to: the link opens as an object of its own.
bool ReachesLinkItself(const char* path);
bool ReachesLinkItself(const WidePath& path);

// True when deleting, renaming or setting the attributes of `path` changes
// that name itself: it is no link, or the system reaches the link itself.
// Every change of a name the program makes asks this first.
bool ChangesNameItself(const String& path);
bool ChangesNameItself(const WidePath& path);

// True when the object of `path` (a folder, the folder of a pattern that
// takes everything in it) is the root of a drive, of a volume or of a
// share, however it is reached.
bool IsRootObject(const WidePath& path);

// When the object of `path` is the object of `folder` or lies below it,
// `path` spelled from `folder` on (`folder` and the levels below it); empty
// otherwise. Each level of `path` is compared with `folder`, its root
// included; a path whose drive is another drive letter for a folder within
// `folder` is found by a search of the folders of `folder`.
String PlaceWithin(const String& path, const String& folder);
inline bool Overlaps(const String& path, const String& folder) { return !PlaceWithin(path, folder).IsEmpty(); }
// The same for wide paths. Where one of them has a name the code page
// cannot spell, the levels of `path` and of its final path are compared
// with the object of `folder` (no search for a second drive letter).
bool Overlaps(const WidePath& path, const WidePath& folder);
