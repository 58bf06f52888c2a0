// The top of a run: section UPDATER, the top procedure list, and the
// release of whatever a stopped run left on the list stack.
#pragma once

#include "Engine.h"

// What the caller learns of the run.
enum ExitCode {
    ExitFinished = 0, // the top list ran to its end
    ExitFailed = 1,   // a failure stopped the run, after its box
    ExitStopped = 2,  // the user stopped it through a MSGBOX
    ExitNoScript = 3, // the script or its NAME or PROC could not be read: nothing ran
    ExitBusy = 4,     // another run of the same script was going on: nothing ran
    ExitNoLog = 5,    // the log that "/log=" names cannot be written: nothing ran
};

// The code the process ends with: the run's own, or with "/exitcodes=msi"
// the one the Windows Installer gives for such an end.
int CallerExitCode(int exitCode);

// Resets the list stack and reads NAME and PROC of UPDATER.
bool ReadUpdaterSection();
// Loads, runs and releases the list named by PROC.
bool RunTop();
// Releases every list still on the stack, innermost first.
void ReleaseAllLists();
