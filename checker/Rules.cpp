// What a procedure's values say before it runs: the list key's items, the
// parallel lists beside it, keywords, paths and what expansion left behind.
#include "Checker.h"

#include "CheckTexts.h"
#include "Problems.h"
#include "foundation/Messages.h"
#include "foundation/PathText.h"
#include "procedures/Procedure.h"
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

// Where a root (or everything in one) would be destroyed or replaced, the
// run refuses the item and stops with the message: what DELETE deletes, what
// MOVE or a SHELL move, rename or delete takes away, what a SHELL or LINK
// item replaces, and the destination of a COPY or MOVE of one file, which
// the file would replace. Reading from a root, writing into one (a folder or
// a pattern copied there) and setting the attributes of its files are not
// refused.
enum RootWhen { Always, UnlessShellCopy, UnlessIntoFolder };

struct RootRule {
    const char* mode;
    const char* key;
    int stop;
    RootWhen when;
};

const RootRule rootRules[] = {
    {"DELETE", "FILE", MsgDeleteFailed, Always},     {"MOVE", "FROM", MsgMoveFailed, Always},
    {"SHELL", "FROM", MsgShellFailed, UnlessShellCopy}, {"SHELL", "TO", MsgShellFailed, Always},
    {"LINK", "DST", MsgLinkFailed, Always},          {"COPY", "TO", MsgCopyFailed, UnlessIntoFolder},
    {"MOVE", "TO", MsgMoveFailed, UnlessIntoFolder},
};

// Lists of paths that the program hands to the system as they are: a quote
// there is part of the name. (LAUNCH reads its FILE as a command line.)
struct PathKey {
    const char* mode;
    const char* key;
};

const PathKey pathKeys[] = {
    {"SHELL", "FROM"}, {"SHELL", "TO"},   {"COPY", "FROM"},  {"COPY", "TO"},    {"MOVE", "FROM"},
    {"MOVE", "TO"},    {"DELETE", "FILE"}, {"ATTR", "FILE"},  {"MAKEDIR", "DIR"}, {"APPEXIST", "APP"},
    {"WAITAPP", "APP"}, {"EXIST", "FILE"}, {"DATE", "FILE"},  {"CRC", "FILE"},   {"LINK", "SRC"},
    {"LINK", "DST"},
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
        ItemCursor items(words, ",");
        int wordCount = words.ItemCount(",");
        for (int i = 0; i < count && i < wordCount; i++) {
            String word = NextListItem(items);
            if (!IsOneOf(word, shellWords))
                ReportItem(Error, LineOf(name, "FUNC"), name, CheckShellWord, i + 1, word.Text(), i + 1, word.Text());
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

// A source whose last level is a pattern, or a folder on this machine: its
// entries go into the destination, which is written into, not replaced.
bool GoesIntoFolder(const String& source) {
    String last(LastLevel(source));
    return last.CountOf("*") || last.CountOf("?") || IsFolderHere(source);
}

void CheckRoots(const String& section, const String& mode) {
    const char* name = section.Text();
    for (const RootRule& rule : rootRules) {
        if (!mode.EqualsNoCase(rule.mode))
            continue;
        const String& list = Value(section, rule.key);
        ItemCursor items(list, ","), words(Value(section, "FUNC"), ","), sources(Value(section, "FROM"), ",");
        for (int i = 0, n = list.ItemCount(","); i < n; i++) {
            String path = NextListItem(items), word = NextListItem(words), source = NextListItem(sources);
            if (!IsRootPath(path) || (rule.when == UnlessShellCopy && word.EqualsNoCase("COPY")) ||
                (rule.when == UnlessIntoFolder && GoesIntoFolder(source)))
                continue;
            Report(Error, LineOf(name, rule.key), name, CheckRootStops, rule.key, path.Text(), rule.stop);
        }
    }
}

void CheckQuotes(const String& section, const String& mode) {
    const char* name = section.Text();
    for (const PathKey& rule : pathKeys) {
        if (!mode.EqualsNoCase(rule.mode))
            continue;
        const String& list = Value(section, rule.key);
        ItemCursor items(list, ",");
        for (int i = 0, n = list.CountOf("\"") ? list.ItemCount(",") : 0; i < n; i++) {
            String path = NextListItem(items);
            if (path.CountOf("\""))
                ReportItem(Error, LineOf(name, rule.key), name, CheckQuotedItem, i + 1, path.Text(), rule.key, i + 1,
                           path.Text());
        }
    }
}

void CheckLaunch(const String& section) {
    const char* name = section.Text();
    const String& list = Value(section, "FILE");
    ItemCursor items(list, ",");
    for (int i = 0, n = list.ItemCount(","); i < n; i++) {
        String path = NextListItem(items), directory;
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
    ItemCursor sourceItems(sources, ","), targetItems(targets, ",");
    for (int i = 0, n = sources.ItemCount(","), m = targets.ItemCount(","); i < n && i < m; i++) {
        String source = NextListItem(sourceItems), target = NextListItem(targetItems);
        const char* last = LastLevel(target);
        if (String(LastLevel(source)).CountOf("*") && *last && !String(last).CountOf("*"))
            Report(Warning, LineOf(section.Text(), "TO"), section.Text(), CheckPatternTarget,
                   target.Text(), PathPrefix(target).Text());
    }
}

// Calls `found` with each top-level group of the value, in one walk.
template <class Found>
void EachGroup(const String& value, const char* open, const char* close, Found found) {
    int first, last;
    for (const char* p = value.Text(); FindFirstGroup(p, open, close, first, last); p += last + 1)
        found(String().Slice(p + first, p + last));
}

// What expansion could not replace stays in the value as written.
void CheckExpansion(const String& section) {
    for (const KeyRead* read = FirstKeyRead(section.Text()); read; read = read->nextInSection) {
        if (read->absent)
            continue;
        const char* key = read->key.Text();
        int line = LineOf(section.Text(), key);
        EachGroup(read->expanded, "<", ">", [&](const String& group) {
            Report(Warning, line, section.Text(), CheckUnexpanded, key, group.Text());
        });
        // An empty folder macro turns a path into one from the drive's root.
        EachGroup(read->written, "<", ">", [&](const String& name) {
            String macro;
            if (LookupMacro(name.Text(), macro) && macro.IsEmpty())
                Report(Warning, line, section.Text(), CheckEmptyMacro, key, name.Text());
        });
        EachGroup(read->expanded, "{", "}", [&](const String& group) {
            if (group.Text()[1] == '?')
                Report(Warning, line, section.Text(), CheckUnresolved, key, group.Text());
        });
    }
}

} // namespace

void CheckProcedureValues(const String& sectionName, const String& mode) {
    for (const ListRule& rule : listRules)
        if (mode.EqualsNoCase(rule.mode))
            CheckLists(sectionName, rule);
    CheckKeywords(sectionName, mode);
    CheckRoots(sectionName, mode);
    CheckQuotes(sectionName, mode);
    if (mode.EqualsNoCase("LAUNCH"))
        CheckLaunch(sectionName);
    if (mode.EqualsNoCase("COPY") || mode.EqualsNoCase("MOVE"))
        CheckPatternTargets(sectionName);
    CheckExpansion(sectionName);
}
