#include "Attributes.h"

#include "foundation/Numbers.h"
#include "system/DirectoryTree.h"
#include "system/PathGate.h"

namespace {

struct AttributesRecord : Procedure {
    String paths;  // FILE
    String values; // ARG: hexadecimal, item i for item i of FILE
};

struct MakeDirectoryRecord : Procedure {
    String directories; // DIR
};

// items: the path and its attribute value in hexadecimal.
bool AttributesItem(Procedure&, const String* items) {
    unsigned value = ParseHex(items[1]);
    if (SetPathAttributes(items[0], value))
        return true;
    ReportErrorAt(FailedEntry(), MsgAttributesFailed, items[0].Text(), value);
    return false;
}

// A root that exists is there already; a device is never a directory.
bool MakeGatedDirectory(const String& path) {
    GatedPath gated;
    return PassGate(path, PathRole::DestinationWritten, gated) && MakeDirectoryPath(gated.wide);
}

bool MakeDirectoryItem(Procedure&, const String* items) {
    return DoPathItem(items[0], MakeGatedDirectory, MsgMakeDirFailed);
}

} // namespace

Procedure* ReadAttributes(const String& sectionName) {
    return ReadRecord<AttributesRecord>(sectionName, "ATTR_INFO", {
        {"FILE", &AttributesRecord::paths},
        {"ARG", &AttributesRecord::values},
    });
}

bool ExecuteAttributes(Procedure& procedure) {
    AttributesRecord& record = static_cast<AttributesRecord&>(procedure);
    const String* lists[] = {&record.paths, &record.values};
    return RunActionItems(procedure, "FILE", lists, AttributesItem);
}

Procedure* ReadMakeDirectory(const String& sectionName) {
    return ReadRecord<MakeDirectoryRecord>(sectionName, "MAKEDIR_INFO", {
        {"DIR", &MakeDirectoryRecord::directories},
    });
}

bool ExecuteMakeDirectory(Procedure& procedure) {
    const String* lists[] = {&static_cast<MakeDirectoryRecord&>(procedure).directories};
    return RunActionItems(procedure, "DIR", lists, MakeDirectoryItem);
}
