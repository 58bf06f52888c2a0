#include "Platform.h"

#include <stdio.h>
#include <windows.h>

#include "RunLog.h"

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

// The system's C runtime formats: the toolchain's own C99 printf, which
// C++ builds get by default, weighs 20 KB for the few conversions we use
// (%s, %d, %u, %lu, %X with widths and zero padding), which the two
// agree on.
int PlatformFormat(char* area, int size, const char* format, va_list args) {
    return _vsnprintf(area, static_cast<size_t>(size), format, args);
}

int PlatformShowBox(const char* text, const char* caption, unsigned style) {
    int answer = boxHook ? boxHook(text, caption, style) : MessageBoxA(nullptr, text, caption, style);
    LogBox(text, answer);
    return answer;
}

static HANDLE logFile = INVALID_HANDLE_VALUE;

// Appending writes at the end whoever else writes there; no buffer of our
// own, so a line is the system's once WriteFile returns. Nothing is flushed
// to the disk: that would cost a wait per line and protects only against a
// power cut.
bool PlatformOpenLog(const char* path) {
    logFile = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return logFile != INVALID_HANDLE_VALUE;
}

void PlatformWriteLog(const char* text, unsigned length) {
    DWORD written;
    WriteFile(logFile, text, length, &written, nullptr);
}

void SetBoxHook(BoxHook hook) { boxHook = hook; }
