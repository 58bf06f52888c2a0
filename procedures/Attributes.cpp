#include "Attributes.h"

#include "foundation/Numbers.h"
#include "system/DirectoryTree.h"

namespace {

struct AttributesRecord : Procedure {
    String paths;  // FILE
    String values; // ARG: hexadecimal, item i for item i of FILE
};

struct MakeDirectoryRecord : Procedure {
    String directories; // DIR
};

bool AttributesItem(Procedure& procedure, int i) {
    AttributesRecord& record = static_cast<AttributesRecord&>(procedure);
    String path = ListItem(record.paths, i);
    unsigned value = ParseHex(ListItem(record.values, i).Text());
    if (SetPathAttributes(path, value))
        return true;
    ReportError(MsgAttributesFailed, path.Text(), value);
    return false;
}

bool MakeDirectoryItem(Procedure& procedure, int i) {
    return DoPathItem(static_cast<MakeDirectoryRecord&>(procedure).directories, i, MakeDirectoryPath,
                      MsgMakeDirFailed);
}

} // namespace

Procedure* ReadAttributes(const String& sectionName) {
    AttributesRecord* record = NewRecord<AttributesRecord>(sectionName, "ATTR_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"FILE", &record->paths, nullptr}, {"ARG", &record->values, nullptr}};
    return ReadKeys(record, keys);
}

bool ExecuteAttributes(Procedure& procedure) {
    return RunActionItems(procedure, static_cast<AttributesRecord&>(procedure).paths, "FILE",
                          AttributesItem);
}

Procedure* ReadMakeDirectory(const String& sectionName) {
    MakeDirectoryRecord* record = NewRecord<MakeDirectoryRecord>(sectionName, "MAKEDIR_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"DIR", &record->directories, nullptr}};
    return ReadKeys(record, keys);
}

bool ExecuteMakeDirectory(Procedure& procedure) {
    return RunActionItems(procedure, static_cast<MakeDirectoryRecord&>(procedure).directories, "DIR",
                          MakeDirectoryItem);
}
