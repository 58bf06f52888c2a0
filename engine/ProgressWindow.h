// The optional progress window: with PROGRESS=1 in UPDATER (or "/progress"
// for one run; "/noprogress" keeps it shut for one run), never in a silent
// run. Its own thread shows what a step is doing once the step has run for
// half a second, from the counters the work keeps (system/Progress.h), and
// its Cancel button asks whether to stop the update.
#pragma once

#include "foundation/String.h"

// Starts the window's thread when the run asks for it; nothing shows yet.
void StartProgressWindow();
// The step about to run, by its MODE; the step's end.
void BeginProgressFor(const String& mode);
void EndProgressFor();
// Closes the window and ends its thread; from here on every box shows.
void EndProgressWindow();
