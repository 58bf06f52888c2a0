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
