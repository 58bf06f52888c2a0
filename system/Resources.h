// Resources of modules for copying: the source read as data, the language
// a resource is held in, and writes into a pending update (Handles.h).
#pragma once

#include <windows.h>

#include "foundation/String.h"

// Maps the module as data: none of its code runs, and a module of either
// bitness loads. Null when it cannot be loaded.
HMODULE LoadModuleAsData(const String& path);

// The first language the system enumerates for that type and name;
// `language` unchanged when the module holds no such resource.
void FirstResourceLanguage(HMODULE module, const char* type, const char* name, WORD& language);

// Adds or replaces one resource in the pending update.
bool WriteResource(HANDLE update, const char* type, const char* name, WORD language,
                   const void* data, DWORD size);
