// The few platform calls the foundation needs. The Windows build answers
// them with Win32; the native build (sanitizers, fuzzing) with stand-ins.
#pragma once

#include <stdarg.h>

bool PlatformIsLeadByte(unsigned char byte);

// Loads text `id` of the program's string table; "" when there is none.
// Returns the length written (at most size - 1).
int PlatformLoadText(unsigned id, char* buffer, int size);

// Writes `format` filled in with printf rules into `area`. Returns the
// length; -1, or `size` or more, when it did not fit (runtimes differ), and
// then the text may lack its terminator.
int PlatformFormat(char* area, int size, const char* format, va_list args);

// Shows a modal box without owner; returns the button pressed, 0 on failure.
int PlatformShowBox(const char* text, const char* caption, unsigned style);

// The run log's file, opened once for appending (created when missing);
// each write reaches the system at once, so it outlives a killed process.
bool PlatformOpenLog(const char* path);
void PlatformWriteLog(const char* text, unsigned length);

// Unit tests route boxes here instead of the screen; null restores the screen.
typedef int (*BoxHook)(const char* text, const char* caption, unsigned style);
void SetBoxHook(BoxHook hook);
