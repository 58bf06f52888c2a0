#include "Platform.h"

#include <stdio.h>
#include <stdlib.h>
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

// The system's C runtime formats: the toolchain's own C99 printf, which
// C++ builds get by default, weighs 20 KB for the few conversions we use
// (%s, %d, %u, %lu, %X with widths and zero padding), which the two
// agree on.
int PlatformFormat(char* area, int size, const char* format, va_list args) {
    return _vsnprintf(area, static_cast<size_t>(size), format, args);
}

static bool silentBoxes;

void SetSilentBoxes(bool silent) { silentBoxes = silent; }

bool SilentBoxes() { return silentBoxes; }

// The button a box of this style has as its default, as MessageBoxA would
// give it to a user who pressed Enter: the buttons by MB_TYPEMASK, the
// default by MB_DEFMASK (past the last button it is the first).
static int DefaultButton(unsigned style) {
    static const unsigned char buttons[6][3] = {
        {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO}, {IDRETRY, IDCANCEL},
    };
    unsigned kind = style & MB_TYPEMASK, position = (style & MB_DEFMASK) >> 8;
    if (kind > 5)
        kind = 0;
    if (position > 2 || buttons[kind][position] == 0)
        position = 0;
    return buttons[kind][position];
}

// The text in UTF-16, from the ANSI code page the catalogue's texts and the
// script's values arrive in; with `namesFiles` each "<U+XXXX>" (a unit of a
// file's name the code page cannot spell, system/WidePath.h) turned back
// into its unit. Null when memory runs out.
static WCHAR* Widen(const char* text, bool namesFiles) {
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    WCHAR* wide = units > 0 ? static_cast<WCHAR*>(malloc(units * sizeof(WCHAR))) : nullptr;
    if (!wide || MultiByteToWideChar(CP_ACP, 0, text, -1, wide, units) != units) {
        free(wide);
        return nullptr;
    }
    if (!namesFiles)
        return wide;
    WCHAR* out = wide;
    for (const WCHAR* p = wide; *p;) {
        unsigned point = 0;
        int digits = 0;
        if (p[0] == L'<' && p[1] == L'U' && p[2] == L'+') {
            for (const WCHAR* d = p + 3; digits < 4 && ((*d >= L'0' && *d <= L'9') || (*d >= L'A' && *d <= L'F')); d++)
                point = point * 16 + (*d <= L'9' ? *d - L'0' : *d - L'A' + 10), digits++;
        }
        if (digits == 4 && p[7] == L'>') {
            *out++ = static_cast<WCHAR>(point);
            p += 4 + digits;
        } else {
            *out++ = *p++;
        }
    }
    *out = 0;
    return wide;
}

typedef int(WINAPI* WideBoxFunction)(HWND, LPCWSTR, LPCWSTR, UINT);

// MessageBoxW on the NT family, looked up at run time like every wide call
// (tests/build/legacy_exports.txt); MessageBoxA on the older family, and
// when memory runs out.
static int ShowBox(const char* text, const char* caption, unsigned style, bool namesFiles) {
    static WideBoxFunction wideBox = GetVersion() & 0x80000000u ? nullptr
        : reinterpret_cast<WideBoxFunction>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("USER32.DLL"), "MessageBoxW")));
    WCHAR* wideText = wideBox ? Widen(text, namesFiles) : nullptr;
    WCHAR* wideCaption = wideText ? Widen(caption, false) : nullptr;
    int answer = wideCaption ? wideBox(nullptr, wideText, wideCaption, style) : MessageBoxA(nullptr, text, caption, style);
    free(wideText);
    free(wideCaption);
    return answer;
}

static BoxGate boxGate;

void SetBoxGate(BoxGate gate) { boxGate = gate; }

int PlatformShowBox(const char* text, const char* caption, unsigned style, bool namesFiles) {
    bool shut = silentBoxes || (boxGate && !boxGate());
    int answer = shut      ? DefaultButton(style)
                 : boxHook ? boxHook(text, caption, style)
                           : ShowBox(text, caption, style, namesFiles);
    LogBox(text, answer, silentBoxes, shut);
    return answer;
}

// Appending writes at the end whoever else writes there; no buffer of our
// own, so a line is the system's once WriteFile returns. Nothing is flushed
// to the disk: that would cost a wait per line and protects only against a
// power cut. The system's last error is kept: a line is logged after a
// failure and before the failure is explained.
static LogOpener logOpener;

void SetLogOpener(LogOpener opener) { logOpener = opener; }

bool PlatformAppendLog(const char* path, const char* text, unsigned length) {
    DWORD error = GetLastError();
    HANDLE file = logOpener ? logOpener(path)
                            : CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                          FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = file != INVALID_HANDLE_VALUE;
    if (written) {
        DWORD count;
        written = WriteFile(file, text, length, &count, nullptr) && count == length;
        CloseHandle(file);
    }
    SetLastError(error);
    return written;
}

unsigned PlatformMilliseconds() { return GetTickCount(); }

unsigned PlatformLastError() { return GetLastError(); }

void PlatformClearLastError() { SetLastError(0); }

void PlatformErrorText(unsigned code, char* buffer, int size) {
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  buffer, static_cast<DWORD>(size), nullptr);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' '))
        length--;
    buffer[length < static_cast<DWORD>(size) ? length : 0] = 0;
}

void SetBoxHook(BoxHook hook) { boxHook = hook; }
