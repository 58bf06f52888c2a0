// Services of the Windows shell and system: the platform test, the paths of
// special folders, shortcut files.
#pragma once

#include <windows.h>

#include "foundation/String.h"

// True on the NT family; false on the others and when the system cannot say.
bool IsWindowsNT();

// The file-system path of a special folder (a CSIDL value). False, target
// unchanged, for a folder the system does not know; false with an empty
// target for a virtual folder without a path.
bool GetSpecialFolderPath(HWND owner, String& target, int folderId);

// Saves a shortcut to `target` as `shortcutPath` (the whole file name, an
// existing file replaced), working in the target's folder. `arguments` null
// leaves them unset; show modes 1, 2 and 3 store normal, minimised without
// activation and maximised, any other keeps the default. COM must be
// initialised. False when the file was not saved, also for a target of
// MAX_PATH UTF-16 units or more (a link holds no longer one).
bool CreateShortcut(const String& target, const String& shortcutPath, const char* arguments,
                    int showMode);
