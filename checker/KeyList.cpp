// The keys each type's reader reads, found by letting the reader ask: it is
// given a section holding MODE alone, and every key it misses is added
// (empty) until it loads. What is printed is what the updater reads.
#include "KeyList.h"

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

} // namespace

String ReaderKeyList() {
    char folder[MAX_PATH], file[MAX_PATH];
    String list;
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "chk", 0, file))
        return list;
    String script = runContext.scriptPath;
    runContext.scriptPath.Assign(file);
    SetBoxHook(Swallow);
    SetKeyReadObserver(Observe);
    for (int i = 0; const ProcedureType* type = ProcedureTypeAt(i); i++) {
        String keys;
        list.Append(type->mode);
        list.Append(":");
        if (!type->read)
            list.Append(" (not built)");
        else if (KeysOf(*type, file, keys))
            list.Append(keys.Text());
        else
            list.Append(" (reader fails)");
        list.Append("\r\n");
    }
    SetKeyReadObserver(nullptr);
    SetBoxHook(nullptr);
    DeleteFileA(file);
    runContext.scriptPath = script;
    return list;
}

bool KeysOfMode(const String& list, const String& mode, String& keys) {
    for (int i = 0, n = list.ItemCount("\r\n"); i < n; i++) {
        String line = list.Item(i, "\r\n");
        if (line.Item(0, ":").EqualsNoCase(mode.Text()) && line.CountOf("(") == 0) {
            keys = line.Items(1, -1, ":");
            return true;
        }
    }
    return false;
}
