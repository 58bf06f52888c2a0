#include "Platform.h"

#include <windows.h>

static BoxHook boxHook;

// Asked for every byte of every search: the code page's answer is taken
// once and kept.
bool PlatformIsLeadByte(unsigned char byte) {
    static bool leadBytes[256];
    static bool known;
    if (!known) {
        for (int b = 0; b < 256; b++)
            leadBytes[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        known = true;
    }
    return leadBytes[byte];
}

// The boxes are ANSI, so the table is chosen by the code page, not by the
// display language: Japanese shows only under code page 932, and anywhere
// else it would turn into question marks. A string table resource holds
// sixteen counted UTF-16 strings per block.
int PlatformLoadText(unsigned id, char* buffer, int size) {
    buffer[0] = 0;
    WORD language = GetACP() == 932 ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                    : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    HRSRC found = FindResourceExA(nullptr, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const WCHAR* entry = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!entry)
        return 0;
    for (unsigned i = 0; i < id % 16; i++)
        entry += 1 + *entry;
    int length = WideCharToMultiByte(CP_ACP, 0, entry + 1, *entry, buffer, size - 1, nullptr, nullptr);
    buffer[length] = 0;
    return length;
}

int PlatformShowBox(const char* text, const char* caption, unsigned style) {
    if (boxHook)
        return boxHook(text, caption, style);
    return MessageBoxA(nullptr, text, caption, style);
}

void SetBoxHook(BoxHook hook) { boxHook = hook; }
