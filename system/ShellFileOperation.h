// The shell's file operation (copy, move, delete, rename through
// SHFileOperationA) on one name, and the step that puts a finished file
// in place of another.
#pragma once

#include "foundation/String.h"

// from and to: one name followed by two zero bytes, as the shell reads its
// name lists; to may be null. The shell may show its own progress and error
// windows. False when the call fails or the operation was aborted.
bool ShellFileOperation(unsigned operation, const char* from, const char* to);

// Moves the file `replacement` onto `target` in one step, written through:
// the target name holds the old or the new file at every moment. The NT
// family only: the older one has no such call.
bool ReplaceFileInOneStep(const String& replacement, const String& target);
