// What a procedure's values say before it runs: the list key's items, the
// parallel lists beside it, keywords, paths and what expansion left behind.
#include "Checker.h"

#include "CheckTexts.h"
#include "Problems.h"
#include "foundation/Messages.h"
#include "foundation/PathText.h"
#include "script/Macros.h"

namespace {

// A list whose item i belongs to item i of the list key. `mayBeEmpty`: the
// whole list may be left empty (no parameters, measure the CRC); `stop`:
// the message that stops the run at an empty item, 0 when it goes on.
struct Parallel {
    const char* key;
    bool mayBeEmpty;
    int stop;
};

// A type's list key (message 4 when it has no items) and its parallel lists.
struct ListRule {
    const char* mode;
    const char* listKey;
    Parallel parallel[3];
};

const ListRule listRules[] = {
    {"SHELL", "FROM", {{"FUNC", false, MsgShellFailed}, {"TO", false, 0}}},
    {"COPY", "FROM", {{"TO", false, MsgCopyFailed}}},
    {"MOVE", "FROM", {{"TO", false, MsgMoveFailed}}},
    {"DELETE", "FILE", {}},
    {"ATTR", "FILE", {{"ARG", false, 0}}},
    {"MAKEDIR", "DIR", {}},
    {"LAUNCH", "FILE", {{"PARAM", true, 0}}},
    {"APPEXIST", "APP", {}},
    {"WAITAPP", "APP", {{"TICK", false, 0}}},
    {"EXIST", "FILE", {}},
    {"DATE", "FILE", {}},
    {"CRC", "FILE", {{"CRC", true, 0}}},
    {"LINK", "SRC", {{"PARAM", true, 0}, {"SHOWCMD", true, 0}, {"DST", false, MsgLinkFailed}}},
    {"RSRC", "TYPE", {{"NAME", false, 0}}},
};

// Paths that a type writes to or removes, and the message that stops the
// run when one is a root (0: the program writes there).
struct RootRule {
    const char* mode;
    const char* key;
    int stop;
};

const RootRule rootRules[] = {
    {"DELETE", "FILE", MsgDeleteFailed}, {"MOVE", "FROM", MsgMoveFailed}, {"MOVE", "TO", 0},
    {"COPY", "TO", 0}, {"SHELL", "FROM", 0}, {"SHELL", "TO", 0}, {"ATTR", "FILE", 0},
};

const char* const shellWords[] = {"COPY", "DELETE", "MOVE", "RENAME"};
const char* const boxWords[] = {"ERROR", "INFORMATION", "WARNING", "QUESTION"};
// What CreateProcess starts; anything else (a document) fails with message 9.
const char* const programTypes[] = {"exe", "com", "bat", "cmd", "pif", "scr"};

template <int N>
bool IsOneOf(const String& word, const char* const (&words)[N]) {
    for (const char* candidate : words)
        if (word.EqualsNoCase(candidate))
            return true;
    return false;
}

const KeyRead* Read(const String& section, const char* key) {
    return FindKeyRead(section.Text(), key);
}

const String& Value(const String& section, const char* key) { return Read(section, key)->expanded; }

void CheckLists(const String& section, const ListRule& rule) {
    const char* name = section.Text();
    if (Read(section, rule.listKey)->absent)
        return;
    int count = Value(section, rule.listKey).ItemCount(",");
    if (count == 0) {
        String message;
        LoadMessage(message, MsgNoItems, name, rule.listKey);
        AddMessageProblem(LineOf(name, rule.listKey), name, message);
        return;
    }
    for (const Parallel& list : rule.parallel) {
        if (!list.key || Read(section, list.key)->absent)
            continue;
        int items = Value(section, list.key).ItemCount(",");
        int line = LineOf(name, list.key);
        if (items > count)
            Report(Warning, line, name, CheckMoreItems, list.key, items, rule.listKey, count);
        else if (items < count && !(items == 0 && list.mayBeEmpty) && list.stop)
            Report(Error, line, name, CheckFewerItemsStop, list.key, items, rule.listKey, count,
                   list.stop);
        else if (items < count && !(items == 0 && list.mayBeEmpty))
            Report(Warning, line, name, CheckFewerItems, list.key, items, rule.listKey, count);
    }
}

void CheckKeywords(const String& section, const String& mode) {
    const char* name = section.Text();
    const String& type = Value(section, "TYPE");
    if (mode.EqualsNoCase("SHELL")) {
        const String& words = Value(section, "FUNC");
        int count = Value(section, "FROM").ItemCount(",");
        for (int i = 0; i < count && i < words.ItemCount(","); i++) {
            String word = TrimmedItem(words, i);
            if (!IsOneOf(word, shellWords))
                Report(Error, LineOf(name, "FUNC"), name, CheckShellWord, i + 1, word.Text());
        }
    } else if (mode.EqualsNoCase("MSGBOX") && !Read(section, "TYPE")->absent) {
        if (!IsOneOf(type, boxWords))
            Report(Error, LineOf(name, "TYPE"), name, CheckBoxType, type.Text());
    } else if (mode.EqualsNoCase("CRC")) {
        if (!type.IsEmpty() && !type.EqualsNoCase("AND") && !type.EqualsNoCase("OR"))
            Report(Warning, LineOf(name, "TYPE"), name, CheckCrcType, type.Text());
    }
}

// The last level of a path: what follows its prefix.
const char* LastLevel(const String& path) { return path.Text() + PathPrefix(path).Length(); }

void CheckRoots(const String& section, const String& mode) {
    const char* name = section.Text();
    for (const RootRule& rule : rootRules) {
        if (!mode.EqualsNoCase(rule.mode))
            continue;
        const String& list = Value(section, rule.key);
        for (int i = 0, n = list.ItemCount(","); i < n; i++) {
            String path = TrimmedItem(list, i);
            if (!IsRootPath(path))
                continue;
            if (rule.stop)
                Report(Error, LineOf(name, rule.key), name, CheckRootStops, rule.key, path.Text(),
                       rule.stop);
            else
                Report(Warning, LineOf(name, rule.key), name, CheckRootWritten, rule.key,
                       path.Text());
        }
    }
}

void CheckLaunch(const String& section) {
    const char* name = section.Text();
    const String& list = Value(section, "FILE");
    for (int i = 0, n = list.ItemCount(","); i < n; i++) {
        String path = TrimmedItem(list, i), directory;
        path.Trim("\"", "\"");
        String type = String(LastLevel(path)).Item(-1, ".");
        if (!DirectoryOf(path, directory) || directory.IsEmpty())
            Report(Error, LineOf(name, "FILE"), name, CheckNoFolder, path.Text());
        else if (String(LastLevel(path)).CountOf(".") && !IsOneOf(type, programTypes))
            Report(Error, LineOf(name, "FILE"), name, CheckNotProgram, path.Text());
    }
}

// A source with "*" in its last level sends its matches to the folder of
// the destination: a destination written as a folder loses its last level.
void CheckPatternTargets(const String& section) {
    const String& sources = Value(section, "FROM");
    const String& targets = Value(section, "TO");
    for (int i = 0, n = sources.ItemCount(","); i < n && i < targets.ItemCount(","); i++) {
        String source = TrimmedItem(sources, i), target = TrimmedItem(targets, i);
        const char* last = LastLevel(target);
        if (String(LastLevel(source)).CountOf("*") && *last && !String(last).CountOf("*"))
            Report(Warning, LineOf(section.Text(), "TO"), section.Text(), CheckPatternTarget,
                   target.Text(), PathPrefix(target).Text());
    }
}

// What expansion could not replace stays in the value as written.
void CheckExpansion(const String& section) {
    for (const KeyRead* read = KeyReads(); read; read = read->next) {
        if (read->absent || !read->section.EqualsNoCase(section.Text()))
            continue;
        const char* key = read->key.Text();
        const String& value = read->expanded;
        int line = LineOf(section.Text(), key);
        for (int i = 0, n = value.GroupCount("<", ">"); i < n; i++)
            Report(Warning, line, section.Text(), CheckUnexpanded, key,
                   value.Groups(i, i, "<", ">").Text());
        // An empty folder macro turns a path into one from the drive's root.
        const String& written = read->written;
        for (int i = 0, n = written.GroupCount("<", ">"); i < n; i++) {
            String name = written.Groups(i, i, "<", ">"), macro;
            if (LookupMacro(name.Text(), macro) && macro.IsEmpty())
                Report(Warning, line, section.Text(), CheckEmptyMacro, key, name.Text());
        }
        for (int i = 0, n = value.GroupCount("{", "}"); i < n; i++) {
            String group = value.Groups(i, i, "{", "}");
            if (group.Text()[1] == '?')
                Report(Warning, line, section.Text(), CheckUnresolved, key, group.Text());
        }
    }
}

} // namespace

void CheckProcedureValues(const String& sectionName, const String& mode) {
    for (const ListRule& rule : listRules)
        if (mode.EqualsNoCase(rule.mode))
            CheckLists(sectionName, rule);
    CheckKeywords(sectionName, mode);
    CheckRoots(sectionName, mode);
    if (mode.EqualsNoCase("LAUNCH"))
        CheckLaunch(sectionName);
    if (mode.EqualsNoCase("COPY") || mode.EqualsNoCase("MOVE"))
        CheckPatternTargets(sectionName);
    CheckExpansion(sectionName);
}
