#include "Resources.h"

#include "foundation/RunLog.h"
#include "system/FileData.h"
#include "system/FileCalls.h"
#include "system/FileReplace.h"
#include "system/Handles.h"
#include "system/Resources.h"

namespace {

struct ResourcesRecord : Procedure {
    String source;      // FROM, used whole
    String destination; // TO, used whole
    String types;       // TYPE
    String names;       // NAME: item i belongs to type i
};

enum Outcome { Copied, SourceNotLoaded, DestinationNotOpened, UpdateFailed };

const WORD Japanese = 0x0411;

// False when a resource the source holds could not be written. A resource
// the source does not hold is left out: there is nothing of its own to write.
bool CopyResource(HMODULE source, HANDLE update, const String& type, const String& name,
                  WORD& language) {
    FirstResourceLanguage(source, type.Text(), name.Text(), language);
    HRSRC found = nullptr;
    const void* data = LoadResourceData(source, name.Text(), type.Text(), &found);
    if (!data)
        return true;
    return WriteResource(update, type.Text(), name.Text(), language, data,
                         SizeofResource(source, found));
}

struct ResourceJob {
    const ResourcesRecord& record;
    int count;
    LibraryHandle& source;
    Outcome outcome;
};

// Writes the resources into the copy that replaces the destination. The
// source is let go before the update ends, on every path.
bool UpdateCopy(const char* copy, void* context) {
    ResourceJob& job = *static_cast<ResourceJob*>(context);
    ResourceUpdateHandle update(BeginUpdateAt(Widened(copy)));
    if (!update.IsValid())
        return false;
    job.outcome = UpdateFailed;
    WORD language = Japanese;
    ItemCursor types(job.record.types, ","), names(job.record.names, ",");
    int i = 0;
    while (i < job.count && CopyResource(job.source.Get(), update.Get(), NextListItem(types), NextListItem(names),
                                         language))
        i++;
    job.source.Free();
    return i == job.count && update.Commit();
}

// The destination is never written in place: the update is made in a copy
// beside it, which then takes its place in one step.
Outcome CopyResources(const ResourcesRecord& record, int count) {
    LibraryHandle source(LoadModuleAsData(record.source));
    if (!source.IsValid())
        return SourceNotLoaded;
    ResourceJob job = {record, count, source, DestinationNotOpened};
    if (ReplaceThroughCopy(record.destination, record.destination, UpdateCopy, &job))
        return Copied;
    // An executable that is there but cannot be copied (held with no
    // sharing) cannot be updated: it was found.
    DWORD error = GetLastError();
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
    return job.outcome == DestinationNotOpened && !missing ? UpdateFailed : job.outcome;
}

} // namespace

Procedure* ReadResources(const String& sectionName) {
    return ReadRecord<ResourcesRecord>(sectionName, "RSRC_INFO", {
        {"FROM", &ResourcesRecord::source},
        {"TO", &ResourcesRecord::destination},
        {"TYPE", &ResourcesRecord::types},
        {"NAME", &ResourcesRecord::names},
    });
}

bool ExecuteResources(Procedure& procedure) {
    ResourcesRecord& record = static_cast<ResourcesRecord&>(procedure);
    int count = CountItemsOrReport(record, record.types, "TYPE");
    if (count == 0)
        return false;
    for (int i = 0; i < count; i++)
        if (!ChargeItem(record, "TYPE"))
            return false;
    if (IsDryRun())
        return true;
    BeginStep();
    Outcome outcome = CopyResources(record, count);
    const String files[] = {record.source, record.destination};
    if (outcome == Copied) {
        LogItem(0, files, 2, "done");
        record.conditionFlag = 1;
        return true;
    }
    if (outcome == UpdateFailed)
        ReportError(MsgResourceFailed, record.source.Text(), record.destination.Text());
    else
        ReportError(MsgFileNotFound, (outcome == SourceNotLoaded ? record.source : record.destination).Text());
    LogFailedItem(0, files, 2);
    return false;
}
