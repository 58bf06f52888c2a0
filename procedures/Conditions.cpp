#include "Conditions.h"

#include "system/FileData.h"
#include "system/Shell.h"

namespace {

struct VerifyRecord : Procedure {
    String first;  // ARG1
    String second; // ARG2
};

struct ExistRecord : Procedure {
    String files; // FILE
};

struct DateRecord : Procedure {
    String files; // FILE
    String date;  // DATE: year/month/day
};

struct OsVersionRecord : Procedure {};

} // namespace

Procedure* ReadVerify(const String& sectionName) {
    VerifyRecord* record = NewRecord<VerifyRecord>(sectionName, "VERIFY_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"ARG1", &record->first, nullptr}, {"ARG2", &record->second, nullptr}};
    return ReadKeys(record, keys);
}

// Equal at some position; an empty ARG1 equals only an empty ARG2.
bool ExecuteVerify(Procedure& procedure) {
    VerifyRecord& record = static_cast<VerifyRecord&>(procedure);
    int count = record.first.ItemCount(",");
    if (count == 0 && record.second.IsEmpty())
        record.conditionFlag = 1;
    ItemCursor first(record.first, ","), second(record.second, ",");
    for (int i = 0; i < count; i++) {
        if (NextListItem(first).EqualsNoCase(NextListItem(second).Text())) {
            record.conditionFlag = 1;
            break;
        }
    }
    return true;
}

Procedure* ReadExist(const String& sectionName) {
    ExistRecord* record = NewRecord<ExistRecord>(sectionName, "EXIST_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"FILE", &record->files, nullptr}};
    return ReadKeys(record, keys);
}

// Set when every listed path exists.
bool ExecuteExist(Procedure& procedure) {
    return RunEveryItemTest(procedure, static_cast<ExistRecord&>(procedure).files, "FILE", PathExists);
}

Procedure* ReadDate(const String& sectionName) {
    DateRecord* record = NewRecord<DateRecord>(sectionName, "DATE_INFO");
    if (!record)
        return nullptr;
    const KeyBinding keys[] = {{"FILE", &record->files, nullptr}, {"DATE", &record->date, nullptr}};
    return ReadKeys(record, keys);
}

// Set when some listed file is missing, unreadable or older than the date.
bool ExecuteDate(Procedure& procedure) {
    DateRecord& record = static_cast<DateRecord&>(procedure);
    int count = CountItemsOrReport(record, record.files, "FILE");
    if (count == 0)
        return false;
    ItemCursor files(record.files, ",");
    for (int i = 0; i < count; i++) {
        if (!FileDateReached(NextListItem(files), record.date)) {
            record.conditionFlag = 1;
            return true;
        }
    }
    return true;
}

Procedure* ReadOsVersion(const String& sectionName) {
    OsVersionRecord* record = NewRecord<OsVersionRecord>(sectionName, "OSVER_INFO");
    if (!record)
        return nullptr;
    return ReadKeys(record, nullptr, 0);
}

bool ExecuteOsVersion(Procedure& procedure) {
    procedure.conditionFlag = IsWindowsNT() ? 1 : 0;
    return true;
}
