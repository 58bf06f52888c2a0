// The progress window's dialog and its controls, shared by the resource
// script and the program.
#pragma once

#define PROGRESS_DIALOG 100
#define PROGRESS_STEP 101
#define PROGRESS_ITEM 102
#define PROGRESS_BAR 103
// The bar's window class, registered by the program: a bar of its own keeps
// the common controls' library out of the program.
#define PROGRESS_BAR_CLASS "UpdaterProgressBar"
