// Native stand-in: the bench expands values without a shell.
#pragma once

#include "foundation/String.h"

typedef void* HWND;

bool GetSpecialFolderPath(HWND owner, String& target, int folderId);
