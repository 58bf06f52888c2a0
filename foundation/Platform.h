// The few platform calls the foundation needs. The Windows build answers
// them with Win32; the native build (sanitizers, fuzzing) with stand-ins.
#pragma once

bool PlatformIsLeadByte(unsigned char byte);

// Loads text `id` of the program's string table; "" when there is none.
// Returns the length written (at most size - 1).
int PlatformLoadText(unsigned id, char* buffer, int size);

// Shows a modal box without owner; returns the button pressed, 0 on failure.
int PlatformShowBox(const char* text, const char* caption, unsigned style);

// The run log's file, opened once for appending (created when missing);
// each write reaches the system at once, so it outlives a killed process.
bool PlatformOpenLog(const char* path);
void PlatformWriteLog(const char* text, unsigned length);

// Unit tests route boxes here instead of the screen; null restores the screen.
typedef int (*BoxHook)(const char* text, const char* caption, unsigned style);
void SetBoxHook(BoxHook hook);
