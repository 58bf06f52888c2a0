// What can be learnt about a message box of another process from outside.
#pragma once

#include "Job.h"

#include <string>
#include <vector>

// The visible dialog windows of the process, in window order.
std::vector<HWND> VisibleBoxes(DWORD processId);

// Caption, text, buttons and default button.
void ReadBox(HWND box, BoxRecord& record);

// "error", "information", "warning", "question" or "none", from the pixels on screen.
const char* IdentifyIcon(HWND box);

// Saves the window's rectangle of the screen as a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

// The control id of a button name, 0 for none.
int ButtonId(Action action);
