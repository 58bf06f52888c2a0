#include <windows.h>
#include <objbase.h>

#include "StartUp.h"
#include "Rollback.h"
#include "ProgressWindow.h"
#include "Run.h"
#include "foundation/RunLog.h"
#include "system/Journal.h"
#include "system/Libraries.h"
#include "system/Progress.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLineText, int) {
    RestrictLibrarySearch();
    CoInitialize(nullptr);
    int exitCode = ExitNoScript;
    if (StartUp(commandLineText, exitCode)) {
        exitCode = ClaimScript() ? ExitFailed : ExitBusy;
        bool ready = exitCode == ExitFailed && FinishLastRun();
        if (ready && RecoveryOnly())
            exitCode = ExitFinished;
        else if (ready && BeginJournal()) {
            StartProgressWindow();
            bool finished = RunTop();
            EndProgressWindow();
            exitCode = finished ? ExitFinished : updaterState.stopAsked || ProgressStopped() ? ExitStopped : ExitFailed;
            if (exitCode != ExitFinished && JournalActive())
                LogLine("the run is undone: %s", exitCode == ExitStopped ? "the user stopped it" : "a failure stopped it");
            EndJournal(exitCode == ExitFinished);
        }
    }
    ReleaseAllLists();
    int returned = CallerExitCode(exitCode);
    LogLine(returned == exitCode ? "end, exit code %d" : "end, exit code %d, returned as %d", exitCode, returned);
    CoUninitialize();
    return returned;
}
