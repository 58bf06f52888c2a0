#include "Shortcut.h"

#include "foundation/Numbers.h"
#include "system/DirectoryTree.h"
#include "system/Shell.h"

namespace {

struct ShortcutRecord : Procedure {
    String sources;      // SRC: what each shortcut opens
    String parameters;   // PARAM
    String showCommands; // SHOWCMD: 1 normal, 2 minimised, 3 maximised
    String destinations; // DST: the shortcut's path without ".LNK"
};

bool ShortcutItem(Procedure& procedure, int i) {
    ShortcutRecord& record = static_cast<ShortcutRecord&>(procedure);
    String source = ListItem(record.sources, i);
    String destination = ListItem(record.destinations, i);
    String parameters = ListItem(record.parameters, i);
    int show = ParseInt(ListItem(record.showCommands, i));
    // A folder that cannot be made shows itself when the shortcut is saved.
    String folder = destination.Items(0, -2, "\\");
    if (!folder.IsEmpty())
        MakeDirectoryPath(folder);
    if (CreateShortcut(source, destination + ".LNK", parameters.Text(), show))
        return true;
    ReportError(MsgLinkFailed, source.Text(), destination.Text());
    return false;
}

} // namespace

Procedure* ReadShortcut(const String& sectionName) {
    ShortcutRecord* record = NewRecord<ShortcutRecord>(sectionName, "SHORTCUT_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {
        {"SRC", &record->sources, nullptr},
        {"PARAM", &record->parameters, nullptr},
        {"SHOWCMD", &record->showCommands, nullptr},
        {"DST", &record->destinations, nullptr},
    };
    return ReadKeys(record, keys);
}

bool ExecuteShortcut(Procedure& procedure) {
    return RunActionItems(procedure, static_cast<ShortcutRecord&>(procedure).sources, "SRC",
                          ShortcutItem);
}
