// What a procedure's values say before it runs: the list key's items, the
// parallel lists beside it, keywords, paths and what expansion left behind.
#include "Checker.h"

#include "Problems.h"
#include "foundation/Messages.h"
#include "foundation/PathText.h"
#include "script/Macros.h"

namespace {

// A type's list key (message 4 when it has no items) and the lists whose
// item i belongs to item i of it, where a missing item is a likely mistake.
struct ListRule {
    const char* mode;
    const char* listKey;
    const char* parallel[2];
};

const ListRule listRules[] = {
    {"SHELL", "FROM", {"FUNC", "TO"}},   {"COPY", "FROM", {"TO"}},
    {"MOVE", "FROM", {"TO"}},            {"DELETE", "FILE", {}},
    {"ATTR", "FILE", {"ARG"}},           {"MAKEDIR", "DIR", {}},
    {"LAUNCH", "FILE", {}},              {"APPEXIST", "APP", {}},
    {"WAITAPP", "APP", {"TICK"}},        {"EXIST", "FILE", {}},
    {"DATE", "FILE", {}},                {"CRC", "FILE", {"CRC"}},
    {"LINK", "SRC", {"DST"}},            {"RSRC", "TYPE", {"NAME"}},
};

const char* const shellWords[] = {"COPY", "DELETE", "MOVE", "RENAME"};
const char* const boxWords[] = {"ERROR", "INFORMATION", "WARNING", "QUESTION"};

template <int N>
bool IsOneOf(const String& word, const char* const (&words)[N]) {
    for (const char* candidate : words)
        if (word.EqualsNoCase(candidate))
            return true;
    return false;
}

const String& Value(const String& section, const char* key) {
    return FindKeyRead(section.Text(), key)->expanded;
}

String TrimmedItem(const String& list, int i) {
    String item = list.Item(i, ",");
    item.Trim(" ", " ");
    return item;
}

void CheckLists(const String& section, const ListRule& rule) {
    const char* name = section.Text();
    int count = Value(section, rule.listKey).ItemCount(",");
    if (count == 0) {
        String message;
        LoadMessage(message, MsgNoItems, name, rule.listKey);
        AddMessageProblem(LineOf(name, rule.listKey), name, message);
        return;
    }
    for (const char* key : rule.parallel) {
        if (!key)
            continue;
        int items = Value(section, key).ItemCount(",");
        // An empty CRC list measures every file: that is a use, not a slip.
        if (items < count && !(items == 0 && EqualsNoCase(key, "CRC")))
            AddProblemF(Warning, LineOf(name, key), name, "%s has %d item%s, %s has %d", key,
                        items, items == 1 ? "" : "s", rule.listKey, count);
    }
}

void CheckKeywords(const String& section, const String& mode) {
    const char* name = section.Text();
    if (mode.EqualsNoCase("SHELL")) {
        const String& words = Value(section, "FUNC");
        int count = Value(section, "FROM").ItemCount(",");
        for (int i = 0; i < count && i < words.ItemCount(","); i++) {
            String word = TrimmedItem(words, i);
            if (!IsOneOf(word, shellWords))
                AddProblemF(Warning, LineOf(name, "FUNC"), name,
                            "FUNC item \"%s\" is not COPY, DELETE, MOVE or RENAME", word.Text());
        }
    } else if (mode.EqualsNoCase("MSGBOX")) {
        const String& type = Value(section, "TYPE");
        if (!IsOneOf(type, boxWords))
            AddProblemF(Warning, LineOf(name, "TYPE"), name,
                        "TYPE \"%s\" is not ERROR, INFORMATION, WARNING or QUESTION", type.Text());
    } else if (mode.EqualsNoCase("CRC")) {
        const String& type = Value(section, "TYPE");
        if (!type.IsEmpty() && !type.EqualsNoCase("AND") && !type.EqualsNoCase("OR"))
            AddProblemF(Warning, LineOf(name, "TYPE"), name,
                        "TYPE \"%s\" is not AND or OR; one matching file will be enough",
                        type.Text());
    }
}

void CheckPaths(const String& section, const String& mode) {
    const char* name = section.Text();
    const char* key = nullptr;
    const char* verb = nullptr;
    if (mode.EqualsNoCase("DELETE"))
        key = "FILE", verb = "deleted";
    else if (mode.EqualsNoCase("MOVE"))
        key = "FROM", verb = "moved";
    const String& list = Value(section, key ? key : "FILE");
    for (int i = 0, n = list.ItemCount(","); i < n; i++) {
        String path = TrimmedItem(list, i);
        String directory;
        if (key && IsRootPath(path))
            AddProblemF(Warning, LineOf(name, key), name,
                        "%s item \"%s\" is a root; it is never %s", key, path.Text(), verb);
        if (mode.EqualsNoCase("LAUNCH") && (!DirectoryOf(path, directory) || directory.IsEmpty()))
            AddProblemF(Warning, LineOf(name, "FILE"), name,
                        "FILE item \"%s\" has no directory; LAUNCH cannot start it",
                        path.Text());
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
            AddProblemF(Warning, line, section.Text(), "%s: the macro %s stays unexpanded", key,
                        value.Groups(i, i, "<", ">").Text());
        // An empty folder macro turns a path into one from the drive's root.
        const String& written = read->written;
        for (int i = 0, n = written.GroupCount("<", ">"); i < n; i++) {
            String name = written.Groups(i, i, "<", ">"), macro;
            if (LookupMacro(name.Text(), macro) && macro.IsEmpty())
                AddProblemF(Warning, line, section.Text(), "%s: the macro %s is empty on this machine",
                            key, name.Text());
        }
        for (int i = 0, n = value.GroupCount("{", "}"); i < n; i++) {
            String group = value.Groups(i, i, "{", "}");
            if (group.Text()[1] == '?')
                AddProblemF(Warning, line, section.Text(),
                            "%s: %s does not resolve on this machine", key, group.Text());
        }
    }
}

} // namespace

void CheckProcedureValues(const String& sectionName, const String& mode) {
    for (const ListRule& rule : listRules)
        if (mode.EqualsNoCase(rule.mode))
            CheckLists(sectionName, rule);
    CheckKeywords(sectionName, mode);
    CheckPaths(sectionName, mode);
    CheckExpansion(sectionName);
}
