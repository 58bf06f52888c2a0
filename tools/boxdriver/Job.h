// The job a test hands the box driver, and what the driver saw.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class Action { Ok, Cancel, Yes, No, Close, Default };

struct Job {
    std::wstring program;
    std::wstring arguments;
    std::wstring directory;
    std::wstring screenshots;  // empty: no screenshots
    DWORD timeoutMs = 30000;
    std::vector<Action> answers;
    std::vector<std::wstring> holds;  // files kept open (read, no sharing) during the run
};

struct BoxRecord {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasText = false;  // the text control exists
    const char* icon = "none";
    std::vector<std::string> buttons;  // left to right
    std::string defaultButton;         // empty: none
    std::string answer;                // what the job asked; empty: unexpected box
    std::string pressed;               // what the driver did; empty: left alone
    bool expected = false;
    bool closed = false;  // seen to go away after the press
};

struct RunResult {
    bool started = false;
    DWORD startError = 0;
    bool exited = false;
    DWORD exitCode = 0;
    bool timedOut = false;
    bool tooManyBoxes = false;
    std::vector<BoxRecord> boxes;
    bool hasClipboard = false;
    std::wstring clipboard;
};

// Reads the UTF-8 job file; false with a reason when it cannot be used.
bool ReadJob(const wchar_t* path, Job& job, std::string& error);

const char* ActionName(Action action);

// Writes the result as UTF-8 JSON.
bool WriteResult(const wchar_t* path, const RunResult& result);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
