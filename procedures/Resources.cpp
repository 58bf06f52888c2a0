#include "Resources.h"

#include "system/FileData.h"
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

// The update is made in a copy beside the destination, which then takes
// the destination's place in one step: the destination is never written
// in place. The source is let go before the update ends, on every path.
Outcome CopyResources(const ResourcesRecord& record, int count) {
    LibraryHandle source(LoadModuleAsData(record.source));
    if (!source.IsValid())
        return SourceNotLoaded;
    TemporaryFile copy(record.destination);
    if (!copy.IsValid() || !CopyFileA(record.destination.Text(), copy.Name(), FALSE))
        return DestinationNotOpened;
    ResourceUpdateHandle update(BeginUpdateResourceA(copy.Name(), FALSE));
    if (!update.IsValid())
        return DestinationNotOpened;
    WORD language = Japanese;
    ItemCursor types(record.types, ","), names(record.names, ",");
    for (int i = 0; i < count; i++) {
        String type = NextListItem(types);
        if (!CopyResource(source.Get(), update.Get(), type, NextListItem(names), language)) {
            source.Free();
            return UpdateFailed;
        }
    }
    source.Free();
    return update.Commit() && copy.ReplaceTarget() ? Copied : UpdateFailed;
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
    switch (CopyResources(record, count)) {
    case Copied:
        record.conditionFlag = 1;
        return true;
    case SourceNotLoaded:
        ReportError(MsgFileNotFound, record.source.Text());
        return false;
    case DestinationNotOpened:
        ReportError(MsgFileNotFound, record.destination.Text());
        return false;
    case UpdateFailed:
        ReportError(MsgResourceFailed, record.source.Text(), record.destination.Text());
        return false;
    }
    return false;
}
