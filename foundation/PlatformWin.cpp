#include "Platform.h"

#include <windows.h>

static BoxHook boxHook;

bool PlatformIsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

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
