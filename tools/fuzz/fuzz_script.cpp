// A whole script, from its text to the end of the run's list: the reader
// (over a native model of the profile functions), the macro table, value
// functions, options, the engine with its list stack, and SWITCH. The other
// types read their real keys; their run only sets the condition flag (from
// the section name, so loops happen), so no file is touched. libFuzzer's
// time-out and memory limit are the finding: a script that ends slowly or
// holds much (tools/fuzz.sh scales them from the promise).
#include <string.h>

#include <string>

#include "FuzzInput.h"
#include "StandInTypes.h"
#include "engine/Engine.h"
#include "engine/Run.h"
#include "script/Macros.h"
#include "script/Options.h"
#include "script/RunContext.h"
#include "script/ScriptPlatformNative.h"

RunContext runContext;

namespace {

// Every type but SWITCH: charged as the program charges its items; OSVER
// without keys holds, as on every system; the others take the flag from the
// name, so a loop may go on.
bool RunStandIn(Procedure& procedure) {
    if (!ChargeStandIn(procedure))
        return false;
    procedure.conditionFlag = procedure.mode.EqualsNoCase("OSVER") || procedure.sectionName.Length() % 2;
    return true;
}

const StandInTable<RunStandIn, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17> table;

} // namespace

const ProcedureType* FindProcedureType(const String& mode) { return table.Find(mode); }

const ProcedureType* ProcedureTypeAt(int index) { return table.At(index); }

// The first line may be a command line ("#" and the words); the rest is the script.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size), line;
    if (!text.empty() && text[0] == '#') {
        size_t end = text.find('\n');
        line = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        for (char& c : line)
            if (!c)
                c = ' ';
    }
    SetNativeScript(text.data(), static_cast<unsigned>(text.size()));
    runContext.commandLine.Assign(line.c_str());
    if (!GetOption(runContext.commandLine, "t", runContext.caption))
        runContext.caption.Assign("Updater");
    String script;
    GetOption(runContext.commandLine, "i", script);
    runContext.modulePath.Assign("C:\\App\\updater.exe");
    runContext.scriptPath.Assign("C:\\App\\updater.ini");
    macroTable.entries.Assign("");
    macroTable.entryCount = 0;
    BuildMacroTable();
    if (ReadUpdaterSection())
        RunTop();
    EXPECT(updaterState.depth <= MaxListDepth);
    ReleaseAllLists();
    EXPECT(updaterState.depth == 0 && CurrentList() == nullptr);
    return 0;
}
