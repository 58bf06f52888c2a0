// What the checker needs from Windows beside the program's readers: the
// script's file, the system's code page, and whether a path is a folder.
#include <windows.h>

#include "Checker.h"
#include "ScriptLines.h"
#include "foundation/ByteBuffer.h"
#include "system/FileData.h"

bool ValidInCodePage(const char* first, int length) {
    if (length == 0)
        return true;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, first, length, nullptr, 0) != 0;
}

// MB_ERR_INVALID_CHARS makes the conversion fail on bytes that are not
// UTF-8 (overlong forms and surrogates included) from Windows XP on.
bool ValidUtf8(const char* first, int length) {
    return length == 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, first, length, nullptr, 0) != 0;
}

unsigned SystemCodePage() { return GetACP(); }

bool ScriptLines::Load(const String& path) {
    ByteBuffer data;
    if (!ReadWholeFile(path, data))
        return PathExists(path); // an empty script still exists
    Scan(reinterpret_cast<const char*>(data.Data()), static_cast<int>(data.Size()));
    return true;
}

bool IsFolderHere(const String& path) {
    DWORD attributes = GetFileAttributesA(path.Text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
