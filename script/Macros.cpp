#include "Macros.h"

#include <string.h>

#include "Expand.h"
#include "RunContext.h"
#include "Profile.h"
#include "ScriptPlatform.h"
#include "foundation/Multibyte.h"

MacroTable macroTable;

namespace {

// Steps through the entries in order, cutting where item k with the
// separator "\n" would be cut, but in one pass rather than counting from
// the start for every k: a table of thousands of entries stays linear.
// Past the last item every entry is empty, as item k is.
class EntryWalk {
public:
    explicit EntryWalk(const String& entries) : start(0), end(-1) { Resync(entries); }

    void Next() {
        start = end < 0 ? 0 : (end < length ? end + 1 : length);
        FindEnd();
    }

    // After the entries changed at this entry: its end is found again, in
    // case the new text holds a separator of its own.
    void Resync(const String& entries) {
        text = entries.Text();
        length = static_cast<int>(strlen(text));
        // A replacement that ran out of memory leaves a shorter text (or
        // none): the walk must not start beyond its end.
        if (start > length)
            start = length;
        if (end >= 0)
            FindEnd();
    }

    // Item 0 of the entry with the separator "=", compared like EqualsNoCase.
    bool NameIs(const char* wanted) const {
        const char* stop = text + end;
        const char* equals = FindByte(text + start, '=');
        if (!equals || equals > stop)
            equals = stop;
        unsigned nameLength = static_cast<unsigned>(equals - (text + start));
        return strlen(wanted) == nameLength && EqualsNoCase(text + start, wanted, nameLength);
    }

    void Replace(String& entries, const char* replacement) {
        entries.ReplaceRange(start, end - 1, replacement);
        Resync(entries);
    }

    String Entry() const { return String().Slice(text + start, text + end - 1); }

private:
    void FindEnd() {
        const char* separator = FindByte(text + start, '\n');
        end = separator ? static_cast<int>(separator - text) : length;
    }

    const char* text;
    int length;
    int start;
    int end; // the separator after the entry, or the length; -1 before the first
};

} // namespace

void SetMacro(const char* name, const char* value) {
    EntryWalk walk(macroTable.entries);
    for (int k = 0; k < macroTable.entryCount; k++) {
        walk.Next();
        if (walk.NameIs(name)) {
            String entry = walk.Entry();
            entry.ReplaceItems(1, 1, "=", value);
            walk.Replace(macroTable.entries, entry.Text());
            return;
        }
    }
    String entry(macroTable.entryCount == 0 ? "" : "\n");
    entry.Append(name);
    entry.Append("=");
    entry.Append(value);
    macroTable.entries.Append(entry.Text());
    macroTable.entryCount++;
}

bool LookupMacro(const char* name, String& value) {
    if (macroTable.entryCount == 0)
        return false;
    EntryWalk walk(macroTable.entries);
    for (int k = 0; k < macroTable.entryCount; k++) {
        walk.Next();
        if (walk.NameIs(name)) {
            value = walk.Entry().Item(1, "=");
            return true;
        }
    }
    return false;
}

void ExpandMacroTable() {
    if (macroTable.entryCount == 0)
        return;
    EntryWalk walk(macroTable.entries);
    for (int k = 0; k < macroTable.entryCount; k++) {
        walk.Next();
        String entry = walk.Entry();
        String value = entry.Item(1, "=");
        bool changed = ExpandMacros(value);
        if (ExpandFunctions(value))
            changed = true;
        if (CollapseParents(value) || changed) {
            entry.ReplaceItems(1, 1, "=", value.Text());
            walk.Replace(macroTable.entries, entry.Text());
        }
    }
}

// CSIDL values of the folders of the built-in macros.
enum {
    FolderPrograms = 2,
    FolderDesktop = 16,
    FolderCommonPrograms = 23,
    FolderCommonDesktop = 25,
};

// A folder the system cannot give leaves its macro empty.
static void SetFolderMacro(const char* name, int folderId) {
    String path;
    if (!ScriptSpecialFolder(path, folderId))
        path.Assign("");
    SetMacro(name, path.Text());
}

bool BuildMacroTable() {
    macroTable.entryCount = ReadProfileSection(runContext.scriptPath.Text(), "DEFINE", macroTable.entries);
    String work;
    ScriptWindowsDirectory(work);
    SetMacro("<Win>", work.Text());
    ScriptSystemDirectory(work);
    SetMacro("<Sys>", work.Text());
    SetMacro("<Src>", runContext.modulePath.Items(0, -2, "\\").Text());
    bool nt = ScriptIsWindowsNT();
    SetFolderMacro("<Desktop>", nt ? FolderCommonDesktop : FolderDesktop);
    SetFolderMacro("<Programs>", nt ? FolderCommonPrograms : FolderPrograms);
    ScriptTempPath(work);
    if (work.CountOf("\\") != 0)
        SetMacro("<Temp>", work.Items(0, -2, "\\").Text());
    else
        SetMacro("<Temp>", work.Text());
    ExpandMacroTable();
    return true;
}
