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
    return ReadRecord<TransferRecord>(sectionName, recordName, {
        {"FROM", &TransferRecord::sources},
        {"TO", &TransferRecord::destinations},
    });
}

typedef bool (*Transfer)(const String& source, const String& destination);

// items: the source and its destination.
bool TransferItem(const String* items, Transfer transfer, MessageId failure) {
    if (transfer(items[0], items[1]))
        return true;
    ReportErrorAt(FailedEntry(), failure, items[0].Text(), items[1].Text());
    return false;
}

bool CopyItem(Procedure&, const String* items) { return TransferItem(items, CopyPath, MsgCopyFailed); }

bool MoveItem(Procedure&, const String* items) { return TransferItem(items, MovePath, MsgMoveFailed); }

bool DeleteItem(Procedure&, const String* items) {
    if (DeletePath(items[0]))
        return true;
    ReportErrorAt(FailedEntry(), MsgDeleteFailed, items[0].Text());
    return false;
}

bool RunTransfer(Procedure& procedure, ItemStep step) {
    TransferRecord& record = static_cast<TransferRecord&>(procedure);
    const String* lists[] = {&record.sources, &record.destinations};
    return RunActionItems(procedure, "FROM", lists, step);
}

} // namespace

Procedure* ReadCopy(const String& sectionName) { return ReadTransfer(sectionName, "COPY_INFO"); }

bool ExecuteCopy(Procedure& procedure) { return RunTransfer(procedure, CopyItem); }

Procedure* ReadMove(const String& sectionName) { return ReadTransfer(sectionName, "MOVE_INFO"); }

bool ExecuteMove(Procedure& procedure) { return RunTransfer(procedure, MoveItem); }

Procedure* ReadDelete(const String& sectionName) {
    return ReadRecord<DeleteRecord>(sectionName, "DELETE_INFO", {{"FILE", &DeleteRecord::paths}});
}

bool ExecuteDelete(Procedure& procedure) {
    const String* lists[] = {&static_cast<DeleteRecord&>(procedure).paths};
    return RunActionItems(procedure, "FILE", lists, DeleteItem);
}
