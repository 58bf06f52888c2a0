#include "Run.h"

#include "Engine.h"
#include "UpdaterKeys.h"
#include "script/Options.h"
#include "script/Profile.h"
#include "script/RunContext.h"

bool ReadUpdaterSection() {
    updaterState.depth = 0;
    updaterState.lists.Clear();
    if (!ReadKey("UPDATER", updaterKeys[UpdaterName], updaterState.name))
        return false;
    return ReadKey("UPDATER", updaterKeys[UpdaterProc], updaterState.procList);
}

bool RunTop() {
    int count = updaterState.procList.ItemCount(",");
    if (count == 0) {
        ReportError(MsgNoItems, "UPDATER", "PROC");
        return false;
    }
    if (!LoadProcedureList(updaterState.procList, count))
        return false;
    if (!RunProcedureList(CurrentList()))
        return false;
    FreeProcedureList(CurrentList());
    return true;
}

void ReleaseAllLists() {
    while (FreeProcedureList(CurrentList()) != 0) {
    }
}

int CallerExitCode(int exitCode) {
    // By our code: success, a fatal error (ERROR_INSTALL_FAILURE), cancelled
    // by the user (ERROR_INSTALL_USEREXIT), a package that cannot be opened
    // (ERROR_INSTALL_PACKAGE_INVALID), another installation under way, to
    // be tried later (ERROR_INSTALL_ALREADY_RUNNING: 4, another run of the
    // same script), a log that cannot be written (ERROR_INSTALL_LOG_FAILURE).
    static const int installerCodes[] = {0, 1603, 1602, 1620, 1618, 1622};
    String scheme;
    if (!GetSwitch(runContext.commandLine, "/exitcodes=", scheme) || !scheme.EqualsNoCase("msi") ||
        exitCode < 0 || exitCode > 5)
        return exitCode;
    return installerCodes[exitCode];
}
