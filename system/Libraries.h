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

// A function of kernel32 that not every supported system exports, looked
// up when it is needed; null where the system lacks it.
FARPROC KernelFunction(const char* name);

// Loads a library by its full path in the system folder; null when that
// fails. Every library the program loads itself comes through here.
HMODULE LoadSystemLibrary(const char* name);
