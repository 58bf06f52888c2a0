#include "StartUp.h"

#include <windows.h>

#include "Engine.h"
#include "Run.h"
#include "UpdaterKeys.h"
#include "Version.h"
#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "foundation/RunLog.h"
#include "script/Macros.h"
#include "script/Options.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "system/FileData.h"

RunContext runContext;
static bool silentRun;

// Without its buffer the path stays empty: Text() of a String without a
// block is a one-byte stand-in that must not be written.
static void FindModulePath() {
    if (!runContext.modulePath.AllocBuffer(MAX_PATH))
        return;
    GetModuleFileNameA(nullptr, runContext.modulePath.Text(), MAX_PATH);
    runContext.modulePath = String(runContext.modulePath.Text());
}

// Option "i" is always relative to the program's directory, even when it
// is a full path; without it, the program's own path with "ini" for the
// last dot-separated item.
static void FindScriptPath() {
    String relative;
    if (GetOption(runContext.commandLine, "i", relative)) {
        runContext.scriptPath = runContext.modulePath.Items(0, -2, "\\") + "\\" + relative;
    } else {
        runContext.scriptPath = runContext.modulePath;
        runContext.scriptPath.ReplaceItems(-1, -1, ".", "ini");
    }
}

// The key LOG of UPDATER, or else the switch "/log=path", when it names a
// file that can be opened, starts the run's log with a line on this run.
static void StartLog() {
    String path;
    if (!ReadOptionalKey("UPDATER", updaterKeys[UpdaterLog], path) || path.IsEmpty())
        GetSwitch(runContext.commandLine, "/log=", path);
    if (path.IsEmpty() || !OpenRunLog(path))
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogLine("%04u-%02u-%02u %02u:%02u:%02u updater " UPDATER_VERSION_TEXT ", code page %u, script \"%s\", "
            "command line \"%s\"%s",
            now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, GetACP(),
            runContext.scriptPath.Text(), runContext.commandLine.Text(), silentRun ? ", silent" : "");
}

bool StartUp(const char* commandLineText) {
    SetReportCaption(&runContext.caption);
    runContext.commandLine.Assign(commandLineText);
    String unused;
    silentRun = GetSwitch(runContext.commandLine, "/silent", unused);
    SetSilentBoxes(silentRun);
    // Nor does a silent run let the system ask about a drive without a disk
    // or a file it cannot open: the call fails, and the run reports it.
    if (silentRun)
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!GetOption(runContext.commandLine, "t", runContext.caption))
        LoadText(runContext.caption, TextDefaultCaption);
    FindModulePath();
    FindScriptPath();
    if (!PathExists(runContext.scriptPath)) {
        ReportError(MsgFileNotFound, runContext.scriptPath.Text());
        return false;
    }
    BuildMacroTable();
    if (!ReadUpdaterSection())
        return false;
    if (!updaterState.name.IsEmpty())
        runContext.caption = updaterState.name;
    StartLog();
    return true;
}
