// The top of a run: section UPDATER, the top procedure list, and the
// release of whatever a stopped run left on the list stack.
#pragma once

// Resets the list stack and reads NAME and PROC of UPDATER.
bool ReadUpdaterSection();
// Loads, runs and releases the list named by PROC.
bool RunTop();
// Releases every list still on the stack, innermost first.
void ReleaseAllLists();
