// The one place where a path of a script meets the system before anything
// is written: the path is resolved as the system will resolve it, what it
// names is found, and one table answers whether a step in a given role may
// act on it. Nothing here shows anything; a refusal is a false result and
// the calling step reports its own message.
#pragma once

#include "Identity.h"
#include "WidePath.h"
#include "foundation/String.h"

// What a resolved path names. A root is a drive, volume or share root,
// however written or reached (a link to one, a folder that is another drive
// letter's root), or a pattern that matches everything in one; a link is a
// symbolic link, junction or mount point, to a file or a folder; a device is
// CON, NUL, COM1 and the like, in whatever folder it is written.
enum class PathKind { Missing, File, Folder, Link, Device, Root };

// What a step does with the path.
enum class PathRole { SourceRead, SourceRemoved, DestinationWritten, DestinationReplaced, Deleted };

struct GatedPath {
    String full; // the path as the system resolves it: full, long names, no trailing separator below a root
    WidePath wide; // the same in UTF-16, as the file calls take it (a long name the code page cannot spell kept)
    PathKind kind;
};

// The full path of `path` against the current folder ("/" read as "\\",
// "." and ".." taken out, trailing dots and spaces dropped as the system
// drops them), with the long name of every level that exists, so a short
// name or another letter case names the same thing. A path too long to
// resolve stays as written. False for an empty path.
bool ResolvePath(const String& path, String& resolved);
bool ResolvePath(const String& path, WidePath& resolved);

// Resolves `path` and answers whether a step in `role` may act on it. An
// empty path and a device are refused in every role; a root may be read
// and written into, but never deleted, moved away or replaced; a link is
// never replaced (the old one would be deleted or kept aside through it). A
// link deleted or moved away goes itself, or the step fails (DirectoryTree.h).
bool PassGate(const String& path, PathRole role, GatedPath& gated);

// True when the path is the folder itself or lies below it; both resolved.
bool IsWithin(const String& path, const String& folder);

// True when the current folder is `folder` or lies below it.
bool HoldsCurrentFolder(const WidePath& folder);
