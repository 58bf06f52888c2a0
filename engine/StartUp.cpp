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
#include "system/FileCalls.h"
#include "system/FileData.h"
#include "system/LogFile.h"

RunContext runContext;
static bool silentRun;

static void FindModulePath() {
    String path;
    if (ProgramPathOf(path))
        runContext.modulePath = path;
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

// The log at `path`, its first line on this run; false when it cannot be
// written there.
static bool StartLog(const String& path) {
    String full;
    if (!PrepareLogFile(path, runContext.scriptPath, full) || !OpenRunLog(full))
        return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogLine("%04u-%02u-%02u %02u:%02u:%02u updater " UPDATER_VERSION_TEXT ", code page %u, script \"%s\", "
            "command line \"%s\"%s",
            now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, GetACP(),
            runContext.scriptPath.Text(), runContext.commandLine.Text(), silentRun ? ", silent" : "");
    return true;
}

bool StartUp(const char* commandLineText, int& exitCode) {
    SetReportCaption(&runContext.caption);
    runContext.commandLine.Assign(commandLineText);
    String unused, logPath;
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
    // "/log=" takes the place of the script's LOG, and is opened before the
    // script is read, so that every later end is in it. Where the caller's
    // log cannot go, nothing runs: in an unattended run it is the only
    // account of what happened.
    bool callerLog = GetSwitch(runContext.commandLine, "/log=", logPath);
    if (callerLog && !StartLog(logPath)) {
        ReportError(MsgLogFailed, logPath.Text());
        exitCode = ExitNoLog;
        return false;
    }
    exitCode = ExitNoScript;
    if (!PathExists(runContext.scriptPath)) {
        ReportError(MsgFileNotFound, runContext.scriptPath.Text());
        return false;
    }
    BuildMacroTable();
    if (!ReadUpdaterSection())
        return false;
    if (!updaterState.name.IsEmpty())
        runContext.caption = updaterState.name;
    // The script's own log that cannot be written is not written; the run
    // goes on as it would without it.
    if (!callerLog && ReadOptionalKey("UPDATER", updaterKeys[UpdaterLog], logPath) && !logPath.IsEmpty())
        StartLog(logPath);
    return true;
}
