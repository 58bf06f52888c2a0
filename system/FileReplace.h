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
bool ReplaceFileInOneStep(const String& replacement, const String& target);

// A new, empty file with a name of its own in the folder of `target`
// (GetTempFileNameA, which never takes a name that exists). Deleted when the
// holder goes, unless it has replaced the target. `target` must outlive it.
class TemporaryFile {
public:
    explicit TemporaryFile(const String& target);
    ~TemporaryFile();
    bool IsValid() const { return name[0] != 0; }
    const char* Name() const { return name; }
    // ReplaceFileInOneStep onto the target; the holder then owns nothing.
    bool ReplaceTarget();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

private:
    const String& target;
    char name[MAX_PATH];
};

// Copies to a temporary name beside the destination and puts that in the
// destination's place in one step; a new file comes the same way, so no
// reader ever sees half of it. The older family copies in place.
bool CopyFileReplacing(const String& source, const String& destination);
