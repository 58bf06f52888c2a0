// The shell's file operation (copy, move, delete, rename through
// SHFileOperationW, or SHFileOperationA on the older family) on one name.
#pragma once

#include "foundation/String.h"

// from and to: one name followed by two zero bytes, as the shell reads its
// name lists, of at most MAX_PATH - 2 UTF-16 units; to may be null. The shell may show its own progress and error
// windows. False when the call fails or the operation was aborted.
bool ShellFileOperation(unsigned operation, const char* from, const char* to);

// True when every entry the shell reaches below a folder (its contents, a
// pattern's matches with theirs), placed below `under` in its stead, fits
// the shell's MAX_PATH units: Wine's shell was seen to pass over one that
// does not and answer success when it copies, and to delete a file of the
// current folder when it deletes. A name the code page cannot spell comes
// from the walk as people read it ("<U+D55C>"), so it is judged longer than
// it is.
bool ShellFitsBelow(const String& source, const String& under);
