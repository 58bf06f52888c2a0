#include "TypeTable.h"

#include "Attributes.h"
#include "Conditions.h"
<<<<<<< HEAD
#include "Crc.h"
#include "MessageBox.h"
#include "Resources.h"
=======
#include "FileOperations.h"
#include "MessageBox.h"
#include "ShellOperation.h"
>>>>>>> main
#include "engine/Switch.h"

// Table order decides when two names could match; it is part of the format.
// A type without reader and executor is reported as an unknown mode.
static const ProcedureType types[] = {
    {"EXIST", ReadExist, ExecuteExist},
    {"DATE", ReadDate, ExecuteDate},
    {"SWITCH", ReadSwitch, ExecuteSwitch},
    {"MSGBOX", ReadMessageBox, ExecuteMessageBox},
    {"COPY", ReadCopy, ExecuteCopy},
    {"LAUNCH", nullptr, nullptr},
    {"DELETE", ReadDelete, ExecuteDelete},
    {"LINK", nullptr, nullptr},
    {"OSVER", ReadOsVersion, ExecuteOsVersion},
<<<<<<< HEAD
    {"MAKEDIR", nullptr, nullptr},
    {"ATTR", nullptr, nullptr},
    {"CRC", ReadCrc, ExecuteCrc},
    {"MOVE", nullptr, nullptr},
    {"WAITAPP", nullptr, nullptr},
    {"APPEXIST", nullptr, nullptr},
    {"VERIFY", ReadVerify, ExecuteVerify},
    {"RSRC", ReadResources, ExecuteResources},
    {"SHELL", nullptr, nullptr},
=======
    {"MAKEDIR", ReadMakeDirectory, ExecuteMakeDirectory},
    {"ATTR", ReadAttributes, ExecuteAttributes},
    {"CRC", nullptr, nullptr},
    {"MOVE", ReadMove, ExecuteMove},
    {"WAITAPP", nullptr, nullptr},
    {"APPEXIST", nullptr, nullptr},
    {"VERIFY", ReadVerify, ExecuteVerify},
    {"RSRC", nullptr, nullptr},
    {"SHELL", ReadShellOperation, ExecuteShellOperation},
>>>>>>> main
};

const ProcedureType* FindProcedureType(const String& mode) {
    for (const ProcedureType& type : types) {
        if (mode.EqualsNoCase(type.mode))
            return type.read ? &type : nullptr;
    }
    return nullptr;
}
