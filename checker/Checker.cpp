#include "Checker.h"

#include <stdlib.h>

#include <new>

#include "CheckTexts.h"
#include "KeyList.h"
#include "NameMap.h"
#include "Problems.h"
#include "engine/Engine.h"
#include "engine/Run.h"
#include "engine/UpdaterKeys.h"
#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "procedures/Procedure.h"
#include "script/Macros.h"
#include "script/Profile.h"

ScriptLines scriptLines;

namespace {

void DeleteRead(void* read) { delete static_cast<KeyRead*>(read); }

NameMap keyReads(DeleteRead); // section and key: its KeyRead
NameMap sectionReads; // section: its last KeyRead; the first is found by key ""
const KeyRead* lastRead;

// The key that named the list being loaded.
struct Origin {
    int line;
    String section, key;
} origin;

void DeleteText(void* text) { delete static_cast<String*>(text); }

NameMap reached;               // every section name asked for
NameMap listsSeen(DeleteText); // every list loaded: the missing sections it names

// A list waiting to be loaded, and the key that named it.
struct PendingList {
    String names;
    Origin from;
};
PendingList** pending;
int pendingCount, pendingRoom;

void ObserveKeyRead(const char* section, const char* key, const char* written,
                    const char* expanded) {
    KeyRead* read = static_cast<KeyRead*>(keyReads.Find(section, key));
    if (!read) {
        read = new (std::nothrow) KeyRead{String(section), String(key), String(), String(), true,
                                          nullptr};
        if (!read || !keyReads.Set(section, key, read)) {
            delete read;
            return;
        }
        KeyRead* last = static_cast<KeyRead*>(sectionReads.Find(section));
        if (last)
            last->nextInSection = read;
        else
            sectionReads.Set(section, "", read);
        sectionReads.Set(section, read);
    }
    read->written.Assign(written ? written : "");
    read->expanded.Assign(expanded ? expanded : "");
    read->absent = written == nullptr;
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
    const ScriptLine* written = scriptLines.KeyAt(section, lastRead->key.Text());
    int keyLine = written ? written->number : 0;
    if (lastRead->absent && written) {
        // Written, yet absent to the reader: its value is NO_DATA, or the
        // line has no "=".
        String format, message;
        LoadText(format, written->withoutValue ? TextNoEquals : TextNoData);
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

const String& ModeOf(const String& name) { return FindKeyRead(name.Text(), "MODE")->expanded; }

// Loads the procedure with the program's reader. The reader stops at the
// first missing key; the checker reads the type's other keys as well, so
// that every missing key and every value is told. A section is read once;
// each list that names a missing one is told.
void CheckSection(const String& name) {
    if (reached.Find(name.Text())) {
        if (!scriptLines.SectionLine(name.Text()))
            Report(Error, origin.line, origin.section.Text(), CheckNoSuchSection,
                   origin.key.Text(), name.Text());
        return;
    }
    reached.Set(name.Text(), &reached);
    lastRead = nullptr;
    Procedure* procedure = LoadProcedure(name);
    bool loaded = procedure != nullptr;
    delete procedure;
    const KeyRead* mode = FindKeyRead(name.Text(), "MODE");
    String keys;
    if (mode->absent || !KeysOfMode(mode->expanded, keys))
        return;
    ItemCursor typeKeys(keys, " ");
    for (int k = 0, n = keys.ItemCount(" "); !loaded && k < n; k++) {
        String key = typeKeys.Next(), value;
        if (!key.IsEmpty() && FindKeyRead(name.Text(), key.Text())->key.IsEmpty())
            ReadKey(name.Text(), key.Text(), value);
    }
    CheckUnknownKeys(name, mode->expanded, keys);
    CheckProcedureValues(name, mode->expanded);
    CheckNumbers(name, mode->expanded);
}

// SWITCH and the MSGBOX gate find their procedure in the running list only.
void CheckListLookups(const String& names, const NameMap& inList) {
    ItemCursor items(names, ",");
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        String name = NextListItem(items);
        const char* section = name.Text();
        bool isSwitch = ModeOf(name).EqualsNoCase("SWITCH");
        const KeyRead* read = FindKeyRead(section, isSwitch ? "PROC" : "FLAG");
        if (read->absent || !(isSwitch || ModeOf(name).EqualsNoCase("MSGBOX")))
            continue;
        if (!isSwitch && read->expanded.ItemCount(",") < 2)
            continue;
        String target = isSwitch ? read->expanded : read->expanded.Item(0, ",");
        target.Trim(" ", " ");
        if (!inList.Find(target.Text()))
            Report(Error, LineOf(section, read->key.Text()), section,
                   isSwitch ? CheckSwitchTarget : CheckGateTarget, target.Text());
    }
}

void AddPending(const String& names, const Origin& from) {
    if (!MakeRoom(pending, pendingCount, pendingRoom, 16))
        return;
    PendingList* list = new (std::nothrow) PendingList{names, from};
    if (list)
        pending[pendingCount++] = list;
}

// The branches of the list's SWITCH procedures wait their turn: a chain of
// thousands of them is walked without a frame for each.
void AddBranches(const String& names) {
    ItemCursor items(names, ",");
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        String name = NextListItem(items);
        if (!ModeOf(name).EqualsNoCase("SWITCH"))
            continue;
        const char* keys[] = {"0", "1"};
        for (const char* key : keys) {
            const KeyRead* branch = FindKeyRead(name.Text(), key);
            if (!branch->absent && branch->expanded.ItemCount(",") > 0)
                AddPending(branch->expanded, Origin{LineOf(name.Text(), key), name, String(key)});
        }
    }
}

// Every procedure of the list is read, also after one that fails, so that
// one pass tells every problem.
void CheckList(const String& names, const Origin& from) {
    if (const String* missing = static_cast<const String*>(listsSeen.Find(names.Text()))) {
        ItemCursor items(*missing, "\n");
        for (int i = 0, n = missing->IsEmpty() ? 0 : missing->ItemCount("\n"); i < n; i++)
            Report(Error, from.line, from.section.Text(), CheckNoSuchSection, from.key.Text(),
                   items.Next().Text());
        return;
    }
    String* missing = new (std::nothrow) String;
    if (!missing || !listsSeen.Set(names.Text(), missing)) {
        delete missing;
        return;
    }
    NameMap inList;
    ItemCursor items(names, ",");
    for (int i = 0, n = names.ItemCount(","); i < n; i++) {
        String name = NextListItem(items);
        inList.Set(name.Text(), &inList);
        origin = from;
        CheckSection(name);
        if (!scriptLines.SectionLine(name.Text()))
            missing->Append((missing->IsEmpty() ? name : String("\n") + name.Text()).Text());
    }
    CheckListLookups(names, inList);
    AddBranches(names);
}

void CheckUpdaterSection() {
    int procLine = LineOf("UPDATER", "PROC");
    CheckUnknownKeys(String("UPDATER"), String("UPDATER"), UpdaterKeyList());
    if (updaterState.procList.ItemCount(",") == 0) {
        String message;
        LoadMessage(message, MsgNoItems, "UPDATER", "PROC");
        AddMessageProblem(procLine, "UPDATER", message);
        return;
    }
    AddPending(updaterState.procList, Origin{procLine, String("UPDATER"), String("PROC")});
    for (int i = 0; i < pendingCount; i++)
        CheckList(pending[i]->names, pending[i]->from);
    ReportUnreached();
}

// What an earlier check found is forgotten.
void Forget() {
    keyReads.Clear();
    sectionReads.Clear();
    reached.Clear();
    listsSeen.Clear();
    for (int i = 0; i < pendingCount; i++)
        delete pending[i];
    free(pending);
    pending = nullptr;
    pendingCount = pendingRoom = 0;
    lastRead = nullptr;
    ClearProblems();
}

} // namespace

bool IsReached(const String& section) { return reached.Find(section.Text()) != nullptr; }

const KeyRead* FindKeyRead(const char* section, const char* key) {
    const KeyRead* read = static_cast<const KeyRead*>(keyReads.Find(section, key));
    static const KeyRead none{String(), String(), String(), String(), true, nullptr};
    return read ? read : &none;
}

const KeyRead* FirstKeyRead(const char* section) {
    return static_cast<const KeyRead*>(sectionReads.Find(section, ""));
}

int LineOf(const char* section, const char* key, int fallback) {
    int line = scriptLines.KeyLine(section, key);
    if (!line)
        line = scriptLines.SectionLine(section);
    return line ? line : fallback;
}


String UpdaterKeyList() {
    String keys;
    for (const char* key : updaterKeys) {
        keys.Append(" ");
        keys.Append(key);
    }
    return keys;
}

void CheckScript() {
    Forget();
    ReaderKeyList(); // asks the readers on a script of its own, before the watch begins
    SetBoxHook(CollectBox);
    SetKeyReadObserver(ObserveKeyRead);
    CheckFileText();
    CheckRepeats();
    BuildMacroTable();
    origin.line = scriptLines.SectionLine("UPDATER");
    if (!origin.line)
        origin.line = 1;
    bool readable = ReadUpdaterSection();
    if (readable)
        CheckUpdaterSection();
    SetKeyReadObserver(nullptr);
    SetBoxHook(nullptr);
    if (readable)
        CheckRunBounds();
}
