#include "TypeTable.h"

#include "Conditions.h"
#include "MessageBox.h"
#include "Programs.h"
#include "engine/Switch.h"

// Table order decides when two names could match; it is part of the format.
// A type without reader and executor is reported as an unknown mode.
static const ProcedureType types[] = {
    {"EXIST", ReadExist, ExecuteExist},
    {"DATE", ReadDate, ExecuteDate},
    {"SWITCH", ReadSwitch, ExecuteSwitch},
    {"MSGBOX", ReadMessageBox, ExecuteMessageBox},
    {"COPY", nullptr, nullptr},
    {"LAUNCH", ReadLaunch, ExecuteLaunch},
    {"DELETE", nullptr, nullptr},
    {"LINK", nullptr, nullptr},
    {"OSVER", ReadOsVersion, ExecuteOsVersion},
    {"MAKEDIR", nullptr, nullptr},
    {"ATTR", nullptr, nullptr},
    {"CRC", nullptr, nullptr},
    {"MOVE", nullptr, nullptr},
    {"WAITAPP", ReadWaitApp, ExecuteWaitApp},
    {"APPEXIST", ReadAppExist, ExecuteAppExist},
    {"VERIFY", ReadVerify, ExecuteVerify},
    {"RSRC", nullptr, nullptr},
    {"SHELL", nullptr, nullptr},
};

const ProcedureType* FindProcedureType(const String& mode) {
    for (const ProcedureType& type : types) {
        if (mode.EqualsNoCase(type.mode))
            return type.read ? &type : nullptr;
    }
    return nullptr;
}
