// updater-check: tells an author, before a run, what in a script would stop
// the updater or is likely a mistake, one "file:line: section: problem" line
// each. Exit code: 0 clean, 1 warnings only, 2 errors, 3 no script.
//   updater-check script.ini [the updater's command line]
//   updater-check --keys     the keys each type's reader reads
#include <windows.h>

#include "Checker.h"
#include "KeyList.h"
#include "Problems.h"
#include "script/RunContext.h"
#include "system/Libraries.h"

namespace {

enum { Clean = 0, Warnings = 1, Errors = 2, NoScript = 3 };

void Print(const String& text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.Text(), static_cast<DWORD>(text.Length()),
              &written, nullptr);
}

// The rest of the command line, as the updater would receive it.
String JoinArguments(int argc, char** argv, int first) {
    String line;
    for (int i = first; i < argc; i++) {
        if (i > first)
            line.Append(" ");
        bool quote = argv[i][0] == 0 || String(argv[i]).CountOf(" ") != 0;
        if (quote)
            line.Append("\"");
        line.Append(argv[i]);
        if (quote)
            line.Append("\"");
    }
    return line;
}

// <Src> is the updater's folder: an updater named like the script, beside it.
void SetRunContext(const char* script, const String& commandLine) {
    char full[MAX_PATH];
    if (!GetFullPathNameA(script, MAX_PATH, full, nullptr))
        lstrcpynA(full, script, MAX_PATH);
    runContext.scriptPath.Assign(full);
    runContext.modulePath = runContext.scriptPath;
    runContext.modulePath.ReplaceItems(-1, -1, ".", "exe");
    runContext.commandLine = commandLine;
}

} // namespace

int main(int argc, char** argv) {
    RestrictLibrarySearch();
    if (argc == 2 && lstrcmpA(argv[1], "--keys") == 0) {
        Print(ReaderKeyList());
        return Clean;
    }
    if (argc < 2) {
        Print(String("usage: updater-check script.ini [command line of the updater]\r\n"));
        return NoScript;
    }
    SetRunContext(argv[1], JoinArguments(argc, argv, 2));
    if (!scriptLines.Load(runContext.scriptPath)) {
        Print(String(argv[1]) + ": the script cannot be read\r\n");
        return NoScript;
    }
    CheckScript();
    Print(ProblemReport(argv[1]));
    if (ErrorCount())
        return Errors;
    return WarningCount() ? Warnings : Clean;
}
