// The shell's file operation (copy, move, delete, rename through
// SHFileOperationW, or SHFileOperationA on the older family) on one name.
#pragma once

// from and to: one name followed by two zero bytes, as the shell reads its
// name lists, of at most MAX_PATH - 2 UTF-16 units; to may be null. The shell may show its own progress and error
// windows. False when the call fails or the operation was aborted.
bool ShellFileOperation(unsigned operation, const char* from, const char* to);

