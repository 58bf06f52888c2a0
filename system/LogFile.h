// Where the run's log may go: a file, never a folder, a device or the
// script itself, in a folder that is made when missing.
#pragma once

#include "foundation/String.h"

// Resolves `path` to the log's full path (`full`), makes its folder when
// missing and creates the file when missing. False (the system's error
// kept) when the log cannot be written there: an empty path, a path too
// long, a folder (or a path that ends in a separator), a root, a device, or the file `script` is under any name
// (a short name, a link). Folders made for it go again when the file
// cannot be created in them.
bool PrepareLogFile(const String& path, const String& script, String& full);
