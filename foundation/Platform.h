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
// In a silent run nothing is shown and the box's default button is the
// answer. Either way the box goes into the run log. `namesFiles`: the text
// names files a walk found, whose units outside the code page are written
// "<U+XXXX>" (system/WidePath.h); the box shows those as they are. Any
// other text (a script's own MSGBOX) is shown as written.
int PlatformShowBox(const char* text, const char* caption, unsigned style, bool namesFiles = false);
void SetSilentBoxes(bool silent);
// Whether the run is silent: the shell's windows are kept shut as well.
bool SilentBoxes();

// Appends to the run log's file (created when missing), opened for this
// one write and closed again: the write reaches the system at once, so it
// outlives a killed process, and the file is never held between lines, so
// the run may move or delete it and its folder. False when it cannot be
// opened.
bool PlatformAppendLog(const char* path, const char* text, unsigned length);
// How the log's file is opened for a write (a handle; INVALID_HANDLE_VALUE
// when it fails), given by the layer that knows the file calls; null, the
// start, opens it as an ANSI path.
typedef void* (*LogOpener)(const char* path);
void SetLogOpener(LogOpener opener);
// Milliseconds of a clock that only goes on (it wraps after 49 days): the
// log's times are differences of two readings.
unsigned PlatformMilliseconds();

// The calling thread's last system error, setting it to 0 (before a step
// whose failure is to be explained), and its text in the system's words
// ("" when the system has none), without the line break at its end.
unsigned PlatformLastError();
void PlatformClearLastError();
void PlatformErrorText(unsigned code, char* buffer, int size);

// Asked before every box that would show: false keeps it shut, as in a
// silent run (the progress window goes first, and after the user's stop the
// step that ended on it says nothing more). Null asks nothing.
typedef bool (*BoxGate)();
void SetBoxGate(BoxGate gate);

// Unit tests route boxes here instead of the screen; null restores the screen.
typedef int (*BoxHook)(const char* text, const char* caption, unsigned style);
void SetBoxHook(BoxHook hook);
