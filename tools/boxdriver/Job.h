// The job a test hands the box driver, and what the driver saw of each box.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Job {
    std::wstring program, arguments, directory, screenshots; // screenshots: a folder, or empty
    DWORD timeoutMs = 30000;
    std::vector<std::string> answers; // OK, CANCEL, YES, NO, CLOSE or DEFAULT
    std::vector<std::wstring> holds;  // files kept open (read, no sharing) during the run
    bool holdClipboard = false;       // the clipboard kept open by the driver during the run
};

struct BoxRecord {
    HWND hwnd = nullptr;
    std::wstring caption, text;
    bool hasText = false;
    const char* icon = "none";
    std::vector<std::string> buttons; // left to right
    std::string defaultButton, answer, pressed; // empty: none, unexpected box, left alone
    bool closed = false;                        // seen to go away after the press
};

// "error", "information", "warning", "question" or "none", from the box's pixels on screen.
const char* IdentifyIcon(HWND box);

std::string ToUtf8(const std::wstring& text);

bool WriteWholeFile(const std::wstring& path, const std::string& data);

// Saves the window's rectangle of the screen as a 24-bit bottom-up BMP file.
bool SaveWindowBitmap(HWND window, const std::wstring& path);
