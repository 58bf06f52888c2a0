// The parts of a Windows path as text: its root and the prefix its entries
// share. Character-wise, so a trail byte 0x5C is never taken for "\\".
#pragma once

#include "String.h"

// Bytes of the root: "C:\\" 3, "C:" 2, "\\" 1, "\\\\server\\share\\" all of
// it; 0 for a relative path.
int PathRootLength(const char* path);

// The end of the level that starts at p: the next "\\" or the terminator.
const char* PathLevelEnd(const char* p);

// True for a root alone, however written: "C:", "C:\\", "\\", "\\\\server\\share",
// with any trailing backslashes, "." or ".." levels, or a last level of only
// "*", "?" and "." (everything in the root). Deleting or moving it would
// take a whole drive.
bool IsRootPath(const String& path);

// Everything up to and including the last "\\" (or the colon of a
// drive-relative "C:name"); "" for a bare name. An entry's full path is this
// prefix followed by its name.
String PathPrefix(const String& path);
