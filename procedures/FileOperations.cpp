#include "FileOperations.h"

#include "system/DirectoryTree.h"

namespace {

struct TransferRecord : Procedure {
    String sources;      // FROM
    String destinations; // TO: item i receives item i of FROM
};

struct DeleteRecord : Procedure {
    String paths; // FILE
};

Procedure* ReadTransfer(const String& sectionName, const char* recordName) {
    TransferRecord* record = NewRecord<TransferRecord>(sectionName, recordName);
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"FROM", &record->sources, nullptr},
                               {"TO", &record->destinations, nullptr}};
    return ReadKeys(record, keys);
}

typedef bool (*Transfer)(const String& source, const String& destination);

bool TransferItem(Procedure& procedure, int i, Transfer transfer, MessageId failure) {
    TransferRecord& record = static_cast<TransferRecord&>(procedure);
    String source = ListItem(record.sources, i);
    String destination = ListItem(record.destinations, i);
    if (transfer(source, destination))
        return true;
    ReportError(failure, source.Text(), destination.Text());
    return false;
}

bool CopyItem(Procedure& procedure, int i) {
    return TransferItem(procedure, i, CopyPath, MsgCopyFailed);
}

bool MoveItem(Procedure& procedure, int i) {
    return TransferItem(procedure, i, MovePath, MsgMoveFailed);
}

bool DeleteItem(Procedure& procedure, int i) {
    return DoPathItem(static_cast<DeleteRecord&>(procedure).paths, i, DeletePath, MsgDeleteFailed);
}

} // namespace

Procedure* ReadCopy(const String& sectionName) { return ReadTransfer(sectionName, "COPY_INFO"); }

bool ExecuteCopy(Procedure& procedure) {
    return RunActionItems(procedure, static_cast<TransferRecord&>(procedure).sources, "FROM", CopyItem);
}

Procedure* ReadMove(const String& sectionName) { return ReadTransfer(sectionName, "MOVE_INFO"); }

bool ExecuteMove(Procedure& procedure) {
    return RunActionItems(procedure, static_cast<TransferRecord&>(procedure).sources, "FROM", MoveItem);
}

Procedure* ReadDelete(const String& sectionName) {
    DeleteRecord* record = NewRecord<DeleteRecord>(sectionName, "DELETE_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"FILE", &record->paths, nullptr}};
    return ReadKeys(record, keys);
}

bool ExecuteDelete(Procedure& procedure) {
    return RunActionItems(procedure, static_cast<DeleteRecord&>(procedure).paths, "FILE", DeleteItem);
}
