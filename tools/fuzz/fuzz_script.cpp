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
#include "engine/Engine.h"
#include "engine/Run.h"
#include "engine/Switch.h"
#include "procedures/TypeTable.h"
#include "script/Macros.h"
#include "script/Options.h"
#include "script/RunContext.h"
#include "script/ScriptPlatformNative.h"

RunContext runContext;

namespace {

// The keys of each type in their readers' order; ISWAIT is read as a number.
struct StandInType {
    const char* mode;
    const char* keys[4];
};

const StandInType standIns[] = {
    {"EXIST", {"FILE"}}, {"DATE", {"FILE", "DATE"}}, {"SWITCH", {}}, {"MSGBOX", {"FLAG", "TYPE", "TEXT", "ISABORT"}},
    {"COPY", {"FROM", "TO"}}, {"LAUNCH", {"FILE", "PARAM", "ISWAIT"}}, {"DELETE", {"FILE"}},
    {"LINK", {"SRC", "PARAM", "SHOWCMD", "DST"}}, {"OSVER", {}}, {"MAKEDIR", {"DIR"}}, {"ATTR", {"FILE", "ARG"}},
    {"CRC", {"FILE", "TYPE", "CRC"}}, {"MOVE", {"FROM", "TO"}}, {"WAITAPP", {"APP", "TICK"}},
    {"APPEXIST", {"APP"}}, {"VERIFY", {"ARG1", "ARG2"}}, {"RSRC", {"FROM", "TO", "TYPE", "NAME"}},
    {"SHELL", {"FUNC", "FROM", "TO"}},
};
const int TypeCount = sizeof standIns / sizeof standIns[0];

struct StandInRecord : Procedure {
    String values[4];
    int number = 0;
};

template <int Index>
Procedure* ReadStandIn(const String& sectionName) {
    StandInRecord* record = NewRecord<StandInRecord>(sectionName, "STANDIN_INFO");
    if (!record)
        return nullptr;
    KeyBinding bindings[4];
    int count = 0;
    for (const char* key : standIns[Index].keys) {
        if (!key)
            break;
        bool number = strcmp(key, "ISWAIT") == 0;
        bindings[count] = {key, number ? nullptr : &record->values[count], number ? &record->number : nullptr};
        count++;
    }
    return ReadKeys(record, bindings, count);
}

// Every type but SWITCH: OSVER without keys holds, as on every system; the
// others take the flag from the name, so a loop may go on.
bool RunStandIn(Procedure& procedure) {
    procedure.conditionFlag = procedure.mode.EqualsNoCase("OSVER") || procedure.sectionName.Length() % 2;
    return true;
}

template <int... Index>
struct Table {
    ProcedureType types[sizeof...(Index)] = {
        {standIns[Index].mode, Index == 2 ? ReadSwitch : ReadStandIn<Index>,
         Index == 2 ? ExecuteSwitch : RunStandIn}...};
};
const Table<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17> table;

} // namespace

const ProcedureType* FindProcedureType(const String& mode) {
    for (const ProcedureType& type : table.types)
        if (mode.EqualsNoCase(type.mode))
            return &type;
    return nullptr;
}

const ProcedureType* ProcedureTypeAt(int index) {
    return index >= 0 && index < TypeCount ? &table.types[index] : nullptr;
}

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
