// The script's file and the system's code page: what the checker's view of
// the lines needs from Windows.
#include <windows.h>

#include "ScriptLines.h"
#include "foundation/ByteBuffer.h"
#include "system/FileData.h"

bool ValidInCodePage(const char* first, int length) {
    if (length == 0)
        return true;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, first, length, nullptr, 0) != 0;
}

bool ScriptLines::Load(const String& path) {
    ByteBuffer data;
    if (!ReadWholeFile(path, data))
        return PathExists(path); // an empty script still exists
    Scan(reinterpret_cast<const char*>(data.Data()), static_cast<int>(data.Size()));
    return true;
}
