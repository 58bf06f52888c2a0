#include "TypeTable.h"

#include "Attributes.h"
#include "Conditions.h"
#include "Crc.h"
#include "FileOperations.h"
#include "MessageBox.h"
#include "Programs.h"
#include "Resources.h"
#include "ShellOperation.h"
#include "Shortcut.h"
#include "engine/Switch.h"

// Table order decides when two names could match; it is part of the format.
// A type without reader and executor is reported as an unknown mode.
static const ProcedureType types[] = {
    {"EXIST", ReadExist, ExecuteExist},
    {"DATE", ReadDate, ExecuteDate},
    {"SWITCH", ReadSwitch, ExecuteSwitch},
    {"MSGBOX", ReadMessageBox, ExecuteMessageBox},
    {"COPY", ReadCopy, ExecuteCopy},
    {"LAUNCH", ReadLaunch, ExecuteLaunch},
    {"DELETE", ReadDelete, ExecuteDelete},
    {"LINK", ReadShortcut, ExecuteShortcut},
    {"OSVER", ReadOsVersion, ExecuteOsVersion},
    {"MAKEDIR", ReadMakeDirectory, ExecuteMakeDirectory},
    {"ATTR", ReadAttributes, ExecuteAttributes},
    {"CRC", ReadCrc, ExecuteCrc},
    {"MOVE", ReadMove, ExecuteMove},
    {"WAITAPP", ReadWaitApp, ExecuteWaitApp},
    {"APPEXIST", ReadAppExist, ExecuteAppExist},
    {"VERIFY", ReadVerify, ExecuteVerify},
    {"RSRC", ReadResources, ExecuteResources},
    {"SHELL", ReadShellOperation, ExecuteShellOperation},
};

const ProcedureType* FindProcedureType(const String& mode) {
    for (const ProcedureType& type : types) {
        if (mode.EqualsNoCase(type.mode))
            return type.read ? &type : nullptr;
    }
    return nullptr;
}

const ProcedureType* ProcedureTypeAt(int index) {
    if (index < 0 || index >= static_cast<int>(sizeof types / sizeof types[0]))
        return nullptr;
    return &types[index];
}
