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

int PlatformLoadText(unsigned id, char* buffer, int size) {
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    return LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
}

int PlatformShowBox(const char* text, const char* caption, unsigned style) {
    if (boxHook)
        return boxHook(text, caption, style);
    return MessageBoxA(nullptr, text, caption, style);
}

void SetBoxHook(BoxHook hook) { boxHook = hook; }
