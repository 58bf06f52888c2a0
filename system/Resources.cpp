#include "Resources.h"

#include "FileCalls.h"

HMODULE LoadModuleAsData(const String& path) {
    return LoadModuleAt(Widened(path), LOAD_LIBRARY_AS_DATAFILE);
}

static BOOL CALLBACK KeepFirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

void FirstResourceLanguage(HMODULE module, const char* type, const char* name, WORD& language) {
    EnumResourceLanguagesA(module, type, name, KeepFirstLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
}

bool WriteResource(HANDLE update, const char* type, const char* name, WORD language,
                   const void* data, DWORD size) {
    return UpdateResourceA(update, type, name, language, const_cast<void*>(data), size);
}
