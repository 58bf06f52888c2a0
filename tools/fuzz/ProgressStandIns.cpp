// The fuzzed runs have no progress window: nobody watches, and nobody asks
// them to stop.
#include "engine/ProgressWindow.h"
#include "system/Progress.h"

void BeginProgressFor(const String&) {}
void EndProgressFor() {}
void ProgressListItem(int, int, const char*) {}
bool ProgressStopTaken() { return false; }
