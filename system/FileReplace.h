// Putting a finished file in the place of another in one step, so that the
// name holds the old or the new file at every moment, whenever the run is
// cut short: never none and never a part.
#pragma once

#include <windows.h>

#include "WidePath.h"
#include "foundation/String.h"

// Moves `replacement` onto `target` in one step, written through. A
// read-only target is made writable just for the step and gets its
// attributes back when the step fails. The NT family only: the older one
// has no such call. With the journal open the old target is kept aside
// first (PutNoted).
bool ReplaceFileInOneStep(const WidePath& replacement, const WidePath& target);
bool ReplaceFileInOneStep(const char* replacement, const String& target);

// Writes a whole new file under `name`; false stops.
typedef bool (*FileWriter)(const String& name, const void* context);

// The program's own name for the new file of a target: the target's path as
// the system resolves it (ResolvePath) and ".~upd", or where that would not fit, ".~upd" alone in the
// target's folder. A file under such a name can only be one that a run cut
// short left, and the next replace of that target deletes it first; a
// user's "app.dat~" or "app.tmp" is never touched.
extern const WCHAR NewFileSuffix[];
// How many times a name ends in that suffix, in any letters: "x.~upd.~UPD"
// is the new file of the new file of "x".
int NewFileSuffixCount(const WCHAR* name);

// Lets `write` make the new file under the target's own name for it, then
// puts it in the place of `target` in one step. Nothing is written when the
// target or both names would pass what a file system takes (FitsFileSystem);
// a new file's name the code page cannot spell fails the writer. On every failure
// the new file is deleted and `target` is as it was.
bool ReplaceThroughNewFile(const String& target, FileWriter write, const void* context);

// Works on the copy of a file that is to replace another; false stops.
typedef bool (*CopyChange)(const char* copy, void* context);

// ReplaceThroughNewFile with a copy of `source`, on which `change` (when
// given) works before it takes the target's place.
bool ReplaceThroughCopy(const String& source, const String& target, CopyChange change = nullptr,
                        void* context = nullptr);

// ReplaceThroughNewFile on the NT family, so no reader ever sees half of the
// new file; the older family writes the target in place.
bool WriteReplacing(const String& target, FileWriter write, const void* context);
// WriteReplacing with a copy of `source`, for a `destination` already as the
// system resolves it, as the tree walks hold theirs: a tree of thousands of
// files is not resolved again file by file. Wide from end to end: names the
// code page cannot spell, and paths past MAX_PATH.
bool CopyFileReplacing(const WidePath& source, const WidePath& destination);
