// Putting a finished file in the place of another in one step, so that the
// name holds the old or the new file at every moment, whenever the run is
// cut short: never none and never a part.
#pragma once

#include <windows.h>

#include "foundation/String.h"

// SetFileAttributesA that leaves the last error as it was: for putting
// attributes back after a step failed.
void PutAttributesBack(const char* path, DWORD attributes);

// Moves `replacement` onto `target` in one step, written through. A
// read-only target is made writable just for the step and gets its
// attributes back when the step fails. The NT family only: the older one
// has no such call.
bool ReplaceFileInOneStep(const char* replacement, const String& target);

// Works on the copy of a file that is to replace another; false stops.
typedef bool (*CopyChange)(const char* copy, void* context);

// Copies `source` to a name of its own in the folder of `target`
// (GetTempFileNameA never takes a name that exists), lets `change` (when
// given) work on the copy, and puts the copy in the place of `target` in
// one step. On every failure the copy is deleted and `target` is as it was.
bool ReplaceThroughCopy(const String& source, const String& target, CopyChange change = nullptr,
                        void* context = nullptr);

// ReplaceThroughCopy on the NT family, so a new file comes the same way and
// no reader ever sees half of it; the older family copies in place.
bool CopyFileReplacing(const String& source, const String& destination);
