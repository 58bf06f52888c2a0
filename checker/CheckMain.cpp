// updater-check: tells an author, before a run, what in a script would stop
// the updater or is likely a mistake, one line per problem and a summary.
//   updater-check [--tsv] [--define:<Name>=value ...] script.ini [the updater's command line]
//   updater-check --keys     the keys each type's reader reads
//   updater-check --help
// Exit code: 0 clean, 1 warnings only, 2 errors, 3 no script (or no usage).
#include <windows.h>

#include "CheckTexts.h"
#include "Checker.h"
#include "KeyList.h"
#include "Problems.h"
#include "foundation/Messages.h"
#include "script/RunContext.h"
#include "system/Libraries.h"

namespace {

enum { Clean = 0, Warnings = 1, Errors = 2, NoScript = 3 };

void Print(const String& text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.Text(), static_cast<DWORD>(text.Length()),
              &written, nullptr);
}

void PrintText(int id, const char* value = "") {
    String format, text;
    LoadText(format, static_cast<unsigned>(id));
    Format(text, format.Text(), value);
    Print(text + "\r\n");
}

int Usage(int code) {
    for (int id = TextUsageFirst; id <= TextUsageLast; id++)
        PrintText(id);
    return code;
}

// One word of the updater's command line, quoted when it is empty or holds
// a space.
void AppendWord(String& line, const char* word) {
    if (!line.IsEmpty())
        line.Append(" ");
    bool quote = word[0] == 0 || String(word).CountOf(" ") != 0;
    if (quote)
        line.Append("\"");
    line.Append(word);
    if (quote)
        line.Append("\"");
}

const char DefineOption[] = "--define:";

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

String Count(int count, int one, int many) {
    String format, text;
    LoadText(format, static_cast<unsigned>(count == 1 ? one : many));
    Format(text, format.Text(), count);
    return text;
}

// "2 errors, 1 warning in updater.ini", or that there is nothing to tell.
String Summary(const char* file) {
    String text, format;
    String errors = Count(ErrorCount(), TextOneError, TextErrors);
    String warnings = Count(WarningCount(), TextOneWarning, TextWarnings);
    if (ErrorCount() && WarningCount()) {
        LoadText(format, TextSummaryBoth);
        Format(text, format.Text(), errors.Text(), warnings.Text(), file);
    } else if (ErrorCount() || WarningCount()) {
        LoadText(format, TextSummaryOne);
        Format(text, format.Text(), ErrorCount() ? errors.Text() : warnings.Text(), file);
    } else {
        LoadText(text, TextClean);
    }
    return text + "\r\n";
}

} // namespace

int main(int argc, char** argv) {
    RestrictLibrarySearch();
    // A build pipeline has no one to answer the system's box for a drive
    // without a disk: such a path is simply not a folder here.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    bool tabSeparated = argc > 1 && lstrcmpA(argv[1], "--tsv") == 0;
    int script = tabSeparated ? 2 : 1;
    // Each --define: is the updater's /define:, before the words after the
    // script, whose own /define: words come later and so count over it.
    String commandLine;
    for (; script < argc && EqualsNoCase(argv[script], DefineOption, sizeof DefineOption - 1); script++)
        AppendWord(commandLine, (String("/define:") + (argv[script] + sizeof DefineOption - 1)).Text());
    if (argc == 2 && lstrcmpA(argv[1], "--keys") == 0) {
        Print(ReaderKeyList());
        return Clean;
    }
    if (argc == 2 && (lstrcmpA(argv[1], "--help") == 0 || lstrcmpA(argv[1], "/?") == 0))
        return Usage(Clean);
    if (argc <= script || argv[script][0] == '-')
        return Usage(NoScript);
    for (int i = script + 1; i < argc; i++)
        AppendWord(commandLine, argv[i]);
    SetRunContext(argv[script], commandLine);
    if (!scriptLines.Load(runContext.scriptPath)) {
        PrintText(TextCannotRead, argv[script]);
        return NoScript;
    }
    TellProblemsTo(argv[script], tabSeparated, Print);
    CheckScript();
    FinishProblems();
    if (!tabSeparated)
        Print(Summary(argv[script]));
    if (ErrorCount())
        return Errors;
    return WarningCount() ? Warnings : Clean;
}
