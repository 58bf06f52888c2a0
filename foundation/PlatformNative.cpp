// Stand-ins for the native build: code page 932's lead bytes, no string
// table, boxes only through the test hook, and no log.
#include "Platform.h"

#include <stdio.h>

static BoxHook boxHook;

bool PlatformIsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

int PlatformLoadText(unsigned, char* buffer, int size) {
    if (size > 0)
        buffer[0] = 0;
    return 0;
}

int PlatformFormat(char* area, int size, const char* format, va_list args) {
    return vsnprintf(area, static_cast<size_t>(size), format, args);
}

int PlatformShowBox(const char* text, const char* caption, unsigned style, bool) {
    return boxHook ? boxHook(text, caption, style) : 0;
}

void SetSilentBoxes(bool) {}

bool SilentBoxes() { return false; }

bool PlatformAppendLog(const char*, const char*, unsigned) { return false; }

unsigned PlatformMilliseconds() { return 0; }

unsigned PlatformLastError() { return 0; }

void PlatformClearLastError() {}

void PlatformErrorText(unsigned, char* buffer, int size) {
    if (size > 0)
        buffer[0] = 0;
}

void SetBoxHook(BoxHook hook) { boxHook = hook; }
