// The box driver's parts: the driver (Main.cpp), what it reads off the screen
// (Screen.cpp) and the stand-in program it plays under another name (Child.cpp).
#pragma once

#include <windows.h>

#include <string>

// "error", "information", "warning", "question" or "none", from the box's pixels on screen.
const char* IdentifyIcon(HWND box);
// The window's rectangle of the screen as a BMP file.
bool SaveWindowBitmap(HWND window, const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& data);

bool RunsAsChild();
int RunChild();
