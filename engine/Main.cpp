#include <windows.h>
#include <objbase.h>

#include "StartUp.h"
#include "Rollback.h"
#include "Run.h"
#include "foundation/RunLog.h"
#include "system/Libraries.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLineText, int) {
    RestrictLibrarySearch();
    CoInitialize(nullptr);
    int exitCode = ExitNoScript;
    if (StartUp(commandLineText)) {
        exitCode = ClaimScript() ? ExitFailed : ExitBusy;
        if (exitCode == ExitFailed && FinishLastRun() && BeginJournal()) {
            exitCode = RunTop() ? ExitFinished : updaterState.stopAsked ? ExitStopped : ExitFailed;
            EndJournal(exitCode == ExitFinished);
        }
    }
    ReleaseAllLists();
    LogLine("end, exit code %d", exitCode);
    CoUninitialize();
    return exitCode;
}
