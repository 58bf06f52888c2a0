// The keys each type's reader reads, found by letting the reader ask: it is
// given a section holding MODE alone, and every key it misses is added
// (empty) until it loads. What is printed is what the updater reads, and
// UPDATER's keys come from the table the start-up reads them by.
#include "KeyList.h"
#include "Checker.h"

#include <windows.h>

#include "foundation/Messages.h"
#include "foundation/Platform.h"
#include "procedures/TypeTable.h"
#include "script/Profile.h"
#include "script/RunContext.h"

namespace {

const char Section[] = "K";
String keysAsked; // " KEY" per read
String lastMissing;

void Observe(const char*, const char* key, const char* written, const char*) {
    if (EqualsNoCase(key, "MODE"))
        return;
    keysAsked.Append(" ");
    keysAsked.Append(key);
    if (!written)
        lastMissing.Assign(key);
}

int Swallow(const char*, const char*, unsigned) { return 1; }

// At most one try per key and one more; no type has that many keys.
bool KeysOf(const ProcedureType& type, const char* file, String& keys) {
    WritePrivateProfileStringA(Section, nullptr, nullptr, file); // the section goes
    WritePrivateProfileStringA(Section, "MODE", type.mode, file);
    for (int attempt = 0; attempt < 16; attempt++) {
        keysAsked.Assign("");
        lastMissing.Assign("");
        Procedure* record = type.read(String(Section));
        if (record) {
            delete record;
            keys = keysAsked;
            return true;
        }
        if (lastMissing.IsEmpty())
            return false;
        WritePrivateProfileStringA(Section, lastMissing.Text(), "", file);
    }
    return false;
}

enum { MaxTypes = 32 };
String typeKeys[MaxTypes]; // per entry of the type table
bool typeKeysKnown[MaxTypes];

// Asks each type's reader once, on a script of its own.
void FindTypeKeys() {
    static bool found;
    if (found)
        return;
    found = true;
    char folder[MAX_PATH], file[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "chk", 0, file))
        return;
    String script = runContext.scriptPath;
    runContext.scriptPath.Assign(file);
    SetBoxHook(Swallow);
    SetKeyReadObserver(Observe);
    for (int i = 0; i < MaxTypes; i++) {
        const ProcedureType* type = ProcedureTypeAt(i);
        if (type && type->read)
            typeKeysKnown[i] = KeysOf(*type, file, typeKeys[i]);
    }
    SetKeyReadObserver(nullptr);
    SetBoxHook(nullptr);
    DeleteFileA(file);
    runContext.scriptPath = script;
}

} // namespace

String ReaderKeyList() {
    FindTypeKeys();
    String list = String("UPDATER:") + UpdaterKeyList().Text() + "\r\n";
    for (int i = 0; const ProcedureType* type = ProcedureTypeAt(i); i++) {
        list.Append(type->mode);
        list.Append(":");
        if (!type->read)
            list.Append(" (not built)");
        else if (i < MaxTypes && typeKeysKnown[i])
            list.Append(typeKeys[i].Text());
        else
            list.Append(" (reader fails)");
        list.Append("\r\n");
    }
    return list;
}

bool KeysOfMode(const String& mode, String& keys) {
    FindTypeKeys();
    const ProcedureType* type = FindProcedureType(mode);
    for (int i = 0; type && i < MaxTypes; i++) {
        if (ProcedureTypeAt(i) == type && typeKeysKnown[i]) {
            keys = typeKeys[i];
            return true;
        }
    }
    return false;
}
