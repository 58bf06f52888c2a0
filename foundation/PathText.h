// The parts of a Windows path as text: its root, its levels and the prefix
// its entries share. "/" ends a level wherever "\\" does, as in every file
// call of the system. Character-wise, so a trail byte 0x5C is never taken
// for "\\".
#pragma once

#include "String.h"

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Bytes of the root: "C:\\" 3, "C:" 2, "\\" 1, "\\\\server\\share\\",
// "\\\\?\\C:\\", "\\\\.\\device\\" and "\\\\?\\UNC\\server\\share\\" all of
// it; 0 for a relative path.
int PathRootLength(const char* path);

// A path in the "\\\\?\\" or "\\\\.\\" namespace (either separator).
bool IsNamespacePath(const char* path);

// The plain form of a long-form path, as a final path comes: "\\\\?\\C:\\a"
// gives "C:\\a", "\\\\?\\UNC\\s\\sh\\a" gives "\\\\s\\sh\\a"; any other path
// (a volume's "\\\\?\\Volume{...}" among them) as it is.
String WithoutLongPrefix(const String& path);

// The end of the level that starts at p: the next separator or the terminator.
const char* PathLevelEnd(const char* p);

// True for a root alone, however written: "C:", "C:\\", "\\", "\\\\server\\share",
// with any trailing separators, levels of only dots and spaces, or a last
// level of only "*", "?", "." and " " (everything in the root). Deleting or
// moving it would take a whole drive.
bool IsRootPath(const String& path);

// True when the last level names a device: CON, PRN, AUX, NUL, COM1 to COM9
// or LPT1 to LPT9 in any case, alone or followed by spaces, a "." or a ":"
// ("aux.txt", "nul. ", "COM1:"). The system opens the device whatever folder
// the name is written in, so it is never a file an update can read or write.
bool IsDeviceName(const String& path);

// A root or a device: nothing a writing step may take as its file or folder.
inline bool IsRootOrDevice(const String& path) { return IsRootPath(path) || IsDeviceName(path); }

// Everything up to and including the last separator (or the colon of a
// drive-relative "C:name"); "" for a bare name. An entry's full path is this
// prefix followed by its name.
String PathPrefix(const String& path);

// The number of levels (one more than the separators; 0 for ""), and the
// text from level `level` on ("" when there are no more).
int PathLevelCount(const char* path);
const char* PathFromLevel(const char* path, int level);

// The folder a full path lies in, without a closing separator unless it
// is a root ("C:\\a\\b" gives "C:\\a", "C:\\a" gives "C:\\").
String FolderOf(const String& path);

// The path without separators at its end.
String WithoutTrailingSeparators(const String& path);

// True when the text ends in a separator: it names a folder, never a file.
bool EndsInSeparator(const String& path);

// Whether the path is the directory or lies below it, without regard to the
// case of ASCII letters. Both are full paths as the system gives them; a
// directory that ends in a separator (a root) holds everything below it.
bool IsPathInside(const char* path, const char* directory);

// The same rules for a path in UTF-16 units, as the file system holds it:
// one unit is one character here, and no unit hides a separator.
inline bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
int PathRootLength(const wchar_t* path);
bool IsPathInside(const wchar_t* path, const wchar_t* directory);
int PathLevelCount(const wchar_t* path);
const wchar_t* PathFromLevel(const wchar_t* path, int level);
// The length of the prefix its entries share (PathPrefix).
int PathPrefixLength(const wchar_t* path);
// Whether the last level holds a wildcard ("*" or "?"): a pattern.
bool NameHasWildcard(const wchar_t* path);
