#include "Checker.h"

#include <new>

#include "CheckTexts.h"
#include "KeyList.h"
#include "Problems.h"
#include "engine/Engine.h"
#include "engine/Run.h"
#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "script/Macros.h"
#include "script/Profile.h"

ScriptLines scriptLines;

namespace {

KeyRead* keyReads;
const KeyRead* lastRead;
String typeKeys; // what ReaderKeyList tells

// The key that named the list being loaded.
struct Origin {
    int line;
    String section, key;
} origin;

String reached;   // every section name asked for
String listsSeen; // every list loaded

void ObserveKeyRead(const char* section, const char* key, const char* written,
                    const char* expanded) {
    KeyRead* read = new (std::nothrow) KeyRead{String(section), String(key), String(written),
                                               String(expanded), written == nullptr, keyReads};
    if (!read)
        return;
    keyReads = read;
    lastRead = read;
}

// A report the run would show in a box is an error at the place it names:
// the section of an absent key, the key that named a missing section,
// otherwise the key read last.
int CollectBox(const char* text, const char*, unsigned) {
    if (!lastRead) {
        AddMessageProblem(origin.line, "", String(text));
        return 1; // IDOK
    }
    const char* section = lastRead->section.Text();
    int keyLine = scriptLines.KeyLine(section, lastRead->key.Text());
    if (lastRead->absent && keyLine) {
        // Written, yet absent to the reader: its value is NO_DATA.
        String format, message;
        LoadText(format, TextNoData);
        Format(message, format.Text(), text);
        AddMessageProblem(keyLine, section, message);
    } else if (lastRead->absent && lastRead->key.EqualsNoCase("MODE") &&
               !scriptLines.SectionLine(section)) {
        Report(Error, origin.line, origin.section.Text(), CheckNoSuchSection, origin.key.Text(),
               section);
    } else {
        int line = lastRead->absent ? scriptLines.SectionLine(section) : keyLine;
        AddMessageProblem(line ? line : origin.line, section, String(text));
    }
    return 1;
}

// Sets of names, one per line, compared like section names.
bool Marked(const String& set, const String& name) {
    for (int i = 0, n = set.ItemCount("\n"); i < n; i++) {
        if (set.Item(i, "\n").EqualsNoCase(name.Text()))
            return true;
    }
    return false;
}

void Mark(String& set, const String& name) {
    if (!set.IsEmpty())
        set.Append("\n");
    set.Append(name.Text());
}

bool InList(const String& names, const String& name) {
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        if (TrimmedItem(names, i).EqualsNoCase(name.Text()))
            return true;
    }
    return false;
}

// Loads the procedure with the program's reader. The reader stops at the
// first missing key; the checker reads the type's other keys as well, so
// that every missing key and every value is told.
void CheckSection(const String& name) {
    lastRead = nullptr;
    Procedure* procedure = LoadProcedure(name);
    bool loaded = procedure != nullptr;
    delete procedure;
    const KeyRead* mode = FindKeyRead(name.Text(), "MODE");
    String keys;
    if (mode->absent || !KeysOfMode(typeKeys, mode->expanded, keys))
        return;
    for (int k = 0, n = keys.ItemCount(" "); !loaded && k < n; k++) {
        String key = keys.Item(k, " "), value;
        if (!key.IsEmpty() && FindKeyRead(name.Text(), key.Text())->key.IsEmpty())
            ReadKey(name.Text(), key.Text(), value);
    }
    CheckUnknownKeys(name, mode->expanded, keys);
    CheckProcedureValues(name, mode->expanded);
    CheckNumbers(name, mode->expanded);
}

const String& ModeOf(const String& name) { return FindKeyRead(name.Text(), "MODE")->expanded; }

// SWITCH and the MSGBOX gate find their procedure in the running list only.
void CheckListLookups(const String& names) {
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        String name = TrimmedItem(names, i);
        const char* section = name.Text();
        bool isSwitch = ModeOf(name).EqualsNoCase("SWITCH");
        const KeyRead* read = FindKeyRead(section, isSwitch ? "PROC" : "FLAG");
        if (read->absent || !(isSwitch || ModeOf(name).EqualsNoCase("MSGBOX")))
            continue;
        if (!isSwitch && read->expanded.ItemCount(",") < 2)
            continue;
        String target = isSwitch ? read->expanded : read->expanded.Item(0, ",");
        target.Trim(" ", " ");
        if (!InList(names, target))
            Report(Error, LineOf(section, read->key.Text()), section,
                   isSwitch ? CheckSwitchTarget : CheckGateTarget, target.Text());
    }
}

void CheckList(const String& names, const Origin& from);

void CheckBranches(const String& names) {
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        String name = TrimmedItem(names, i);
        if (!ModeOf(name).EqualsNoCase("SWITCH"))
            continue;
        const char* keys[] = {"0", "1"};
        for (const char* key : keys) {
            const KeyRead* branch = FindKeyRead(name.Text(), key);
            if (!branch->absent && branch->expanded.ItemCount(",") > 0)
                CheckList(branch->expanded, Origin{LineOf(name.Text(), key), name, String(key)});
        }
    }
}

// Every procedure of the list is read, also after one that fails, so that
// one pass tells every problem.
void CheckList(const String& names, const Origin& from) {
    if (Marked(listsSeen, names))
        return;
    Mark(listsSeen, names);
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        String name = TrimmedItem(names, i);
        Mark(reached, name);
        origin = from;
        CheckSection(name);
    }
    CheckListLookups(names);
    CheckBranches(names);
}

void CheckUpdaterSection() {
    int procLine = LineOf("UPDATER", "PROC");
    CheckUnknownKeys(String("UPDATER"), String("UPDATER"), String(" NAME PROC"));
    if (updaterState.procList.ItemCount(",") == 0) {
        String message;
        LoadMessage(message, MsgNoItems, "UPDATER", "PROC");
        AddMessageProblem(procLine, "UPDATER", message);
        return;
    }
    CheckList(updaterState.procList, Origin{procLine, String("UPDATER"), String("PROC")});
    ReportUnreached();
}

} // namespace

const KeyRead* KeyReads() { return keyReads; }

bool IsReached(const String& section) { return Marked(reached, section); }

const KeyRead* FindKeyRead(const char* section, const char* key) {
    for (const KeyRead* read = keyReads; read; read = read->next) {
        if (read->section.EqualsNoCase(section) && read->key.EqualsNoCase(key))
            return read;
    }
    static const KeyRead none{String(), String(), String(), String(), true, nullptr};
    return &none;
}

int LineOf(const char* section, const char* key, int fallback) {
    int line = scriptLines.KeyLine(section, key);
    if (!line)
        line = scriptLines.SectionLine(section);
    return line ? line : fallback;
}

String TrimmedItem(const String& list, int i) {
    String item = list.Item(i, ",");
    item.Trim(" ", " ");
    return item;
}

void CheckScript() {
    typeKeys = ReaderKeyList();
    SetBoxHook(CollectBox);
    SetKeyReadObserver(ObserveKeyRead);
    CheckFileText();
    CheckRepeatedKeys();
    BuildMacroTable();
    origin.line = scriptLines.SectionLine("UPDATER");
    if (!origin.line)
        origin.line = 1;
    if (ReadUpdaterSection())
        CheckUpdaterSection();
    SetKeyReadObserver(nullptr);
    SetBoxHook(nullptr);
}
