#include "Macros.h"

#include <string.h>

#include "Expand.h"
#include "FunctionCache.h"
#include "Options.h"
#include "RunBudget.h"
#include "RunContext.h"
#include "Profile.h"
#include "ScriptPlatform.h"
#include "foundation/Cursors.h"
#include "foundation/Multibyte.h"
#include "foundation/TextBuilders.h"

MacroTable macroTable;

// The values expanded so far while the table is expanded.
static const Builder* expandedAside;

static bool KnowPlaces() {
    return macroTable.places.Known() || macroTable.places.Find(macroTable.entries, macroTable.entryCount);
}

void SetMacro(const char* name, const char* value) {
    int k = KnowPlaces() ? macroTable.places.Lookup(macroTable.entries.Text(), name, strlen(name)) : -1;
    if (k >= 0) {
        // An entry without "=" has no value to change.
        if (macroTable.places.HasValue(k))
            macroTable.entries.ReplaceRange(macroTable.places.ValueStart(k), macroTable.places.ValueEnd(k) - 1,
                                            value);
        macroTable.places.Clear();
        return;
    }
    String entry(macroTable.entryCount == 0 ? "" : "\n");
    entry.Append(name);
    entry.Append("=");
    entry.Append(value);
    macroTable.entries.Append(entry.Text());
    macroTable.entryCount++;
    macroTable.places.Clear();
}

ExpandStep LookupMacroStep(const char* name, String& value) {
    if (macroTable.entryCount == 0)
        return StepUnchanged;
    if (macroTable.lost || !KnowPlaces())
        return StepFailed;
    const char* text = macroTable.entries.Text();
    int k = macroTable.places.Lookup(text, name, strlen(name));
    if (k < 0)
        return StepUnchanged;
    if (!macroTable.places.Usable(k))
        return StepFailed;
    if (macroTable.places.IsAside(k)) {
        const char* aside = expandedAside->Text() + macroTable.places.AsideStart(k);
        value = String().Slice(aside, aside + macroTable.places.AsideLength(k) - 1);
    } else {
        value = String().Slice(text + macroTable.places.ValueStart(k), text + macroTable.places.ValueEnd(k) - 1);
    }
    return StepChanged;
}

bool LookupMacro(const char* name, String& value) { return LookupMacroStep(name, value) == StepChanged; }

// Whether a value can wait aside until the table is written: one that
// holds "\n" or "=", or ends in a lead byte, changes the items of the table
// and goes in at once.
static bool KeepsItems(const String& value) {
    const char* text = value.Text();
    size_t length = strlen(text);
    return !strchr(text, '\n') && !strchr(text, '=') &&
           !(length && IsLeadByte(static_cast<unsigned char>(text[length - 1])));
}

// Puts the value in its entry's place at once, after the values kept aside.
static bool ReplaceValue(int k, const String& value, const Builder& aside) {
    MacroPlaces& places = macroTable.places;
    unsigned failures = FailedAllocations();
    if (!places.WriteAside(macroTable.entries, aside.Text()))
        return false;
    macroTable.entries.ReplaceRange(places.ValueStart(k), places.ValueEnd(k) - 1, value.Text());
    if (FailedAllocations() != failures)
        return false;
    places.ValueChanged(macroTable.entries, macroTable.entryCount, k, value.Length());
    return true;
}

// Each value is expanded against the table as it stands, and may grow only
// as far as the whole table stays within the limit of one value. Expanded
// values wait aside and go into the table together at the end, so the work
// is linear in the table, however many entries use one another.
void ExpandMacroTable() {
    if (macroTable.entryCount == 0 || !KnowPlaces())
        return;
    MacroPlaces& places = macroTable.places;
    size_t length = strlen(macroTable.entries.Text());
    Builder aside;
    expandedAside = &aside;
    for (int k = 0; k < macroTable.entryCount; k++) {
        // Without "=", item 1 is "", which expands to nothing. A value that
        // comes out as it was needs no replacing.
        int start = places.ValueStart(k);
        size_t oldLength = static_cast<size_t>(places.ValueEnd(k) - start), others = length - oldLength;
        const char* old = macroTable.entries.Text() + start;
        unsigned failures = FailedAllocations();
        String value = String().Slice(old, old + oldLength - 1);
        size_t room = others < ExpansionLimit ? ExpansionLimit - others : 0;
        if (FailedAllocations() != failures || !ExpandValue(value, room)) {
            places.MarkUnusable(k);
            continue;
        }
        size_t newLength = static_cast<size_t>(value.Length());
        if (newLength == oldLength && memcmp(value.Text(), old, oldLength) == 0)
            continue;
        if (KeepsItems(value)) {
            size_t at = aside.Length();
            aside.Add(value.Text());
            if (aside.Failed()) {
                places.MarkUnusable(k);
                break;
            }
            places.SetAside(k, at, newLength);
        } else if (!ReplaceValue(k, value, aside)) {
            places.MarkUnusable(k);
            continue;
        }
        length = others + newLength;
    }
    if (!places.WriteAside(macroTable.entries, aside.Text()))
        macroTable.lost = true;
    expandedAside = nullptr;
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

// Each "/define:<Name>=value" of the command line takes the place of the
// DEFINE entry of that name, or comes after the entries when there is none;
// the built-in macros set after it keep their own values, as over a DEFINE
// line. Of two words for one name, the later counts.
static void SetCallerMacros() {
    WordCursor words(runContext.commandLine);
    for (int i = 0, count = runContext.commandLine.WordCount(); i < count; i++) {
        String name, value;
        if (GetDefinition(words.Word(i), name, value))
            SetMacro(name.Text(), value.Text());
    }
}

bool BuildMacroTable() {
    unsigned failures = FailedAllocations();
    StartRunWork();
    ForgetFunctionAnswers();
    macroTable.places.Clear();
    macroTable.entryCount = ReadProfileSection(runContext.scriptPath.Text(), "DEFINE", macroTable.entries);
    SetCallerMacros();
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
    macroTable.lost = FailedAllocations() != failures;
    return true;
}
