#include "TypeTable.h"

#include "Conditions.h"
#include "Crc.h"
#include "MessageBox.h"
#include "Resources.h"
#include "engine/Switch.h"

// Table order decides when two names could match; it is part of the format.
// A type without reader and executor is reported as an unknown mode.
static const ProcedureType types[] = {
    {"EXIST", ReadExist, ExecuteExist},
    {"DATE", ReadDate, ExecuteDate},
    {"SWITCH", ReadSwitch, ExecuteSwitch},
    {"MSGBOX", ReadMessageBox, ExecuteMessageBox},
    {"COPY", nullptr, nullptr},
    {"LAUNCH", nullptr, nullptr},
    {"DELETE", nullptr, nullptr},
    {"LINK", nullptr, nullptr},
    {"OSVER", ReadOsVersion, ExecuteOsVersion},
    {"MAKEDIR", nullptr, nullptr},
    {"ATTR", nullptr, nullptr},
    {"CRC", ReadCrc, ExecuteCrc},
    {"MOVE", nullptr, nullptr},
    {"WAITAPP", nullptr, nullptr},
    {"APPEXIST", nullptr, nullptr},
    {"VERIFY", ReadVerify, ExecuteVerify},
    {"RSRC", ReadResources, ExecuteResources},
    {"SHELL", nullptr, nullptr},
};

const ProcedureType* FindProcedureType(const String& mode) {
    for (const ProcedureType& type : types) {
        if (mode.EqualsNoCase(type.mode))
            return type.read ? &type : nullptr;
    }
    return nullptr;
}
