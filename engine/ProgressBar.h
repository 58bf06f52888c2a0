// The progress window's bar: a window class of the program's own, so the
// common controls' library stays out of it. It answers the messages the
// common controls' bar answers for its position, so a reader from outside
// finds it the usual way.
#pragma once

#include <windows.h>

enum { BarSetPosition = WM_USER + 2, BarGetPosition = WM_USER + 8, BarRange = 1000 };

// Registers the class that the dialog's resource names (PROGRESS_BAR_CLASS).
bool RegisterProgressBar(HINSTANCE instance);
