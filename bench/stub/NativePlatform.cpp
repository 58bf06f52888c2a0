// The few platform services the script layer calls, answered natively:
// nothing is installed, no folder is special and no macro is defined, which
// is what the hostile values meet anyway.
#include "script/Macros.h"
#include "script/RunContext.h"
#include "system/Registry.h"
#include "system/Shell.h"

RunContext runContext;

bool FindAppPath(const char*, String&, bool) { return false; }
bool GetSpecialFolderPath(HWND, String&, int) { return false; }
bool LookupMacro(const char*, String&) { return false; }
