// The platform calls of the script layer, in one place. The Windows build
// answers them with Win32 and the system wrappers; the native build
// (sanitizers, fuzzing) with fixed stand-ins, so script/ builds without
// Windows headers.
#pragma once

#include "foundation/String.h"

// GetPrivateProfileStringA and GetPrivateProfileSectionA: the buffer is
// `size` bytes, the result what the platform wrote into it.
void ScriptReadProfileString(const char* file, const char* section, const char* key,
                             const char* absent, char* buffer, unsigned size);
void ScriptReadProfileSection(const char* file, const char* section, char* buffer, unsigned size);

// The directories of the built-in macros, each written into a 260-byte buffer.
void ScriptWindowsDirectory(String& target);
void ScriptSystemDirectory(String& target);
void ScriptTempPath(String& target);

bool ScriptIsWindowsNT();
bool ScriptSpecialFolder(String& target, int folderId);
bool ScriptFindAppPath(const char* fileName, String& target, bool fullPath);
