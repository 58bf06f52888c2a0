#include "Checker.h"

#include <new>
#include <stdlib.h>

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
int listOrigin = 1;   // the line of the key that named the list being loaded
String reached;       // every section name asked for
String listsSeen;     // every list loaded

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
// the section of an absent key (or the key that named a missing section),
// otherwise the key read last.
int CollectBox(const char* text, const char*, unsigned) {
    if (!lastRead) {
        AddMessageProblem(listOrigin, "", String(text));
        return 1; // IDOK
    }
    const char* section = lastRead->section.Text();
    int keyLine = scriptLines.KeyLine(section, lastRead->key.Text());
    if (lastRead->absent && keyLine) {
        // Written, yet absent to the reader: its value is NO_DATA.
        AddMessageProblem(keyLine, section, String(text) + " (the value NO_DATA counts as absent)");
        return 1;
    }
    int line = lastRead->absent ? scriptLines.SectionLine(section) : keyLine;
    AddMessageProblem(line ? line : listOrigin, section, String(text));
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

void CheckList(const String& names, int originLine);

// SWITCH and the MSGBOX gate find their procedure in the running list only.
void CheckListLookups(ProcedureList list) {
    for (Procedure** slot = list; *slot; slot++) {
        const char* section = (*slot)->sectionName.Text();
        if ((*slot)->mode.EqualsNoCase("SWITCH")) {
            const KeyRead* target = FindKeyRead(section, "PROC");
            String name = target->expanded;
            name.Trim(" ", " ");
            if (!FindProcedure(list, name))
                AddProblemF(Warning, LineOf(section, "PROC"), section,
                            "PROC names \"%s\", which is not in the running list", name.Text());
        } else if ((*slot)->mode.EqualsNoCase("MSGBOX")) {
            const KeyRead* flag = FindKeyRead(section, "FLAG");
            if (flag->expanded.ItemCount(",") < 2)
                continue;
            String name = flag->expanded.Item(0, ",");
            name.Trim(" ", " ");
            if (!FindProcedure(list, name))
                AddProblemF(Warning, LineOf(section, "FLAG"), section,
                            "FLAG names \"%s\", which is not in the running list", name.Text());
        }
    }
}

void CheckBranches(ProcedureList list) {
    for (Procedure** slot = list; *slot; slot++) {
        if (!(*slot)->mode.EqualsNoCase("SWITCH"))
            continue;
        const char* section = (*slot)->sectionName.Text();
        const char* keys[] = {"0", "1"};
        for (const char* key : keys) {
            const KeyRead* branch = FindKeyRead(section, key);
            if (branch->expanded.ItemCount(",") > 0)
                CheckList(branch->expanded, LineOf(section, key));
        }
    }
}

// Every procedure of the list is read, also after one that fails, so that
// one pass tells every problem.
void CheckList(const String& names, int originLine) {
    if (Marked(listsSeen, names))
        return;
    Mark(listsSeen, names);
    int count = names.ItemCount(",");
    ProcedureList list = static_cast<ProcedureList>(calloc(static_cast<size_t>(count) + 1,
                                                           sizeof(Procedure*)));
    if (!list)
        return;
    int loaded = 0;
    for (int i = 0; i < count; i++) {
        String name = names.Item(i, ",");
        name.Trim(" ", " ");
        Mark(reached, name);
        lastRead = nullptr;
        listOrigin = originLine;
        Procedure* procedure = LoadProcedure(name);
        if (procedure)
            list[loaded++] = procedure;
    }
    for (int i = 0; i < loaded; i++)
        CheckProcedureValues(list[i]->sectionName, list[i]->mode);
    CheckListLookups(list);
    CheckBranches(list);
    for (int i = 0; i < loaded; i++)
        delete list[i];
    free(list);
}

void CheckFileText() {
    if (scriptLines.hasByteOrderMark)
        AddProblem(Warning, 1, "", "the script begins with a byte-order mark; save it in the "
                                   "system's code page without one");
    for (int i = 0, n = scriptLines.badLines.ItemCount(","); i < n; i++) {
        int line = atoi(scriptLines.badLines.Item(i, ",").Text());
        AddProblem(Warning, line, "", "the line is not valid text in the system's code page");
    }
}

// The platform reads the first of two equal keys; the second is never seen.
void CheckRepeatedKeys() {
    for (int i = 0; i < scriptLines.Count(); i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (line.key.IsEmpty())
            continue;
        int first = scriptLines.KeyLine(line.section.Text(), line.key.Text());
        if (first != line.number)
            AddProblemF(Error, line.number, line.section.Text(),
                        "%s is already set at line %d, which hides this line", line.key.Text(),
                        first);
        if (line.valueLength > 32766)
            AddProblemF(Warning, line.number, line.section.Text(),
                        "the value of %s has %d bytes; a read keeps only the first 32766",
                        line.key.Text(), line.valueLength);
    }
}

void CheckUnreached() {
    for (int i = 0; i < scriptLines.Count(); i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (!line.key.IsEmpty() || line.section.EqualsNoCase("UPDATER") ||
            line.section.EqualsNoCase("DEFINE") || Marked(reached, line.section))
            continue;
        AddProblem(Warning, line.number, line.section.Text(),
                   "the section is never reached from PROC or a SWITCH branch");
    }
}

} // namespace

const KeyRead* KeyReads() { return keyReads; }

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

void CheckScript() {
    SetBoxHook(CollectBox);
    SetKeyReadObserver(ObserveKeyRead);
    CheckFileText();
    CheckRepeatedKeys();
    BuildMacroTable();
    listOrigin = scriptLines.SectionLine("UPDATER");
    if (!listOrigin)
        listOrigin = 1;
    if (ReadUpdaterSection()) {
        int procLine = LineOf("UPDATER", "PROC");
        if (updaterState.procList.ItemCount(",") == 0) {
            String message;
            LoadMessage(message, MsgNoItems, "UPDATER", "PROC");
            AddMessageProblem(procLine, "UPDATER", message);
        } else {
            CheckList(updaterState.procList, procLine);
        }
        CheckUnreached();
    }
    SetKeyReadObserver(nullptr);
    SetBoxHook(nullptr);
}
