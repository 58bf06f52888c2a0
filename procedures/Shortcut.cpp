#include "Shortcut.h"

#include "foundation/Numbers.h"
#include "foundation/PathText.h"
#include "system/DirectoryTree.h"
#include "system/FileReplace.h"
#include "system/PathGate.h"
#include "system/Shell.h"

namespace {

struct ShortcutRecord : Procedure {
    String sources;      // SRC: what each shortcut opens
    String parameters;   // PARAM
    String showCommands; // SHOWCMD: 1 normal, 2 minimised, 3 maximised
    String destinations; // DST: the shortcut's path without ".LNK"
};

// context: the items of ShortcutItem.
bool SaveShortcut(const String& name, const void* context) {
    const String* items = static_cast<const String*>(context);
    return CreateShortcut(items[0], name, items[1].Text(), ParseInt(items[2]));
}

// items: source, parameters, show command, destination. The shortcut is
// saved under a name beside it and then takes its place in one step: the
// link object truncates a file and writes it in pieces.
bool ShortcutItem(Procedure&, const String* items) {
    const String& source = items[0];
    const String& destination = items[3];
    // An empty item would save ".LNK" in the current folder. A folder that
    // cannot be made shows itself when the shortcut is saved.
    GatedPath target, shortcut;
    if (PassGate(source, PathRole::SourceRead, target) &&
        PassGate(destination, PathRole::DestinationReplaced, shortcut)) {
        String folder = WithoutTrailingSeparators(PathPrefix(destination));
        if (!folder.IsEmpty())
            MakeDirectoryPath(folder);
        if (WriteReplacing(destination + ".LNK", SaveShortcut, items))
            return true;
    }
    ReportError(MsgLinkFailed, source.Text(), destination.Text());
    return false;
}

} // namespace

Procedure* ReadShortcut(const String& sectionName) {
    return ReadRecord<ShortcutRecord>(sectionName, "SHORTCUT_INFO", {
        {"SRC", &ShortcutRecord::sources},
        {"PARAM", &ShortcutRecord::parameters},
        {"SHOWCMD", &ShortcutRecord::showCommands},
        {"DST", &ShortcutRecord::destinations},
    });
}

bool ExecuteShortcut(Procedure& procedure) {
    ShortcutRecord& record = static_cast<ShortcutRecord&>(procedure);
    const String* lists[] = {&record.sources, &record.parameters, &record.showCommands,
                             &record.destinations};
    return RunActionItems(procedure, "SRC", lists, ShortcutItem);
}
