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
    return ReadRecord<VerifyRecord>(sectionName, "VERIFY_INFO", {
        {"ARG1", &VerifyRecord::first},
        {"ARG2", &VerifyRecord::second},
    });
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
    return ReadRecord<ExistRecord>(sectionName, "EXIST_INFO", {{"FILE", &ExistRecord::files}});
}

// Set when every listed path exists.
bool ExecuteExist(Procedure& procedure) {
    return RunEveryItemTest(procedure, static_cast<ExistRecord&>(procedure).files, "FILE", PathExists);
}

Procedure* ReadDate(const String& sectionName) {
    return ReadRecord<DateRecord>(sectionName, "DATE_INFO", {
        {"FILE", &DateRecord::files},
        {"DATE", &DateRecord::date},
    });
}

// Set when some listed file is missing, unreadable or older than the date.
bool ExecuteDate(Procedure& procedure) {
    DateRecord& record = static_cast<DateRecord&>(procedure);
    int count = CountItemsOrReport(record, record.files, "FILE");
    if (count == 0)
        return false;
    ItemCursor files(record.files, ",");
    for (int i = 0; i < count; i++) {
        String file = NextListItem(files);
        if (!ChargeItem(record, "FILE"))
            return false;
        if (!IsDryRun() && !FileDateReached(file, record.date)) {
            record.conditionFlag = 1;
            return true;
        }
    }
    return true;
}

Procedure* ReadOsVersion(const String& sectionName) {
    return ReadRecord<OsVersionRecord>(sectionName, "OSVER_INFO");
}

bool ExecuteOsVersion(Procedure& procedure) {
    procedure.conditionFlag = IsWindowsNT() ? 1 : 0;
    return true;
}
