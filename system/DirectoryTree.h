// Work on directory trees for the file procedures: making directory paths,
// walking what a path names (one file, a pattern, a whole tree) and copying,
// moving, deleting and setting attributes on that walk. Nothing here shows
// anything; the first failing step ends an operation with false, and what
// was done before it stays done.
#pragma once

#include "WidePath.h"
#include "foundation/String.h"

enum class WalkEvent { File, EnterDirectory, LeaveDirectory };

// Called for every entry of a walk with its full path; false stops the walk.
typedef bool (*WalkAction)(const String& path, WalkEvent event, void* context);

// The context of the copy and move walks: the first `componentCount`
// components of a found path belong to the source; the rest is its path
// below `root`.
struct TreeTarget {
    int componentCount;
    WidePath root;
};

bool IsDirectory(const String& path);

// Creates every missing level; true when the directory exists afterwards
// (a root that exists, too).
bool MakeDirectoryPath(const String& path);
bool MakeDirectoryPath(const WidePath& path);

// recursive: a directory path is walked with everything below it, and every
// directory found is entered. Otherwise the path (a name or a pattern) is
// matched in its own directory only. False when nothing is found.
bool WalkPath(const String& path, WalkAction action, bool recursive, void* context);

// A directory copies (moves) its contents into the destination directory; a
// "*" in the last component copies the matches into the destination's
// parent; anything else is one file whose new full path is the destination.
// Existing destination files are replaced. A copy goes through folder links
// (each linked folder once); a move takes links as they are. Both paths pass
// the gate first (PathGate.h): a root may be copied from, never moved away.
// Matches of a pattern need a named folder; a walk never enters its own
// destination; a source inside its destination is copied level by level, and
// such a move is refused when an entry would be written where one is read.
bool CopyPath(const String& source, const String& destination);
bool MovePath(const String& source, const String& destination);

// A file, a pattern ("*" and "?") or a tree, read-only files included. True
// when nothing exists there. What the gate refuses (a root, however reached,
// a device, an empty path) is never deleted. A link goes itself, never what
// it leads to; where the system cannot reach the link itself (Wine), the
// delete stops there. With the journal open, every match of the path (files
// and folders, not entered) is kept aside; names already kept are passed
// over.
bool DeletePath(const String& path);
// DeletePath on a path of the run's own (a kept name, a name the journal
// holds), past the gate.
bool DeleteTree(const WidePath& path);

// What the shell copied with the journal open, under a name of the run's
// own (noted as made): the names the run keeps go from it, without a
// record, as the walks pass them over (what a run keeps is no part of a
// tree a later step copies). Links are never entered.
bool DropKeptCopies(const WidePath& tree);

// True when the path is a link (to a file or a folder), or a tree or the
// matches of a pattern that hold one.
bool HoldsLink(const String& path);

// The files the path names, or that its pattern matches in its own
// directory, get exactly these attributes; directories are left alone. The
// files of a root are set like any others.
bool SetPathAttributes(const String& path, unsigned attributes);

// The entry (a file or a folder found below the path, or a match of its
// pattern) at which the last CopyPath, MovePath, DeletePath or
// SetPathAttributes stopped, as people read it (WidePath::Readable); empty
// when the step failed at the path itself or did not fail.
String FailedEntry();
