// Where libraries come from: the system folder and nowhere else. A file
// named like a system library that lies beside the program or in the
// current folder (a download folder, a share) is never loaded.
#pragma once

#include <windows.h>

// Restricts every later search for a library to the system folder where
// the system can (SetDefaultDllDirectories), and takes the current folder
// out of the search (SetDllDirectoryA). Called first, before anything is
// loaded; on systems that have neither it does nothing.
void RestrictLibrarySearch();

// Loads a library by its full path in the system folder; null when that
// fails. Every library the program loads itself comes through here.
HMODULE LoadSystemLibrary(const char* name);
