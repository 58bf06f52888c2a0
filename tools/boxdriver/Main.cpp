// boxdriver <jobfile> <resultfile>: runs a program, records each message box
// it shows, answers them as the job says and writes what happened as JSON.
#include "Box.h"
#include "Child.h"
#include "Job.h"

#include <algorithm>
#include <cstdio>

namespace {

const int kUnexpectedBoxCap = 20;
const DWORD kPollMs = 10;
const DWORD kSettleMs = 30;  // a box that just became visible may still be painting

ULONGLONG Now() { return GetTickCount64(); }

// Tests run side by side on one screen, and every box opens in its middle.
// The icon is read off the screen, so each driver claims a quarter of it
// (a named mutex per quarter) and moves its boxes there.
const int kSlotCount = 4;
const int kSlotWidth = 1280, kSlotHeight = 1024;  // the harness's screen is twice that

POINT ClaimScreenSlot() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::wstring name = L"boxdriver-screen-slot-" + std::to_wstring(slot);
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        if (!mutex) continue;
        DWORD wait = WaitForSingleObject(mutex, 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)  // held until the driver ends
            return POINT{(slot % 2) * kSlotWidth, (slot / 2) * kSlotHeight};
        CloseHandle(mutex);
    }
    return POINT{0, 0};
}

void MoveToSlot(HWND box, POINT slot) {
    SetWindowPos(box, HWND_TOP, slot.x + 40, slot.y + 40, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void ClearClipboard() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
            return;
        }
        Sleep(20);
    }
}

void ReadClipboard(RunResult& result) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(nullptr)) break;
        if (attempt == 49) return;
        Sleep(20);
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data) {
        const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data));
        if (text) {
            result.hasClipboard = true;
            result.clipboard = text;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
}

bool StartProgram(const Job& job, PROCESS_INFORMATION& process, DWORD& error) {
    std::wstring commandLine = L"\"" + job.program + L"\"";
    if (!job.arguments.empty()) commandLine += L" " + job.arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const wchar_t* directory = job.directory.empty() ? nullptr : job.directory.c_str();
    if (CreateProcessW(job.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       directory, &startup, &process))
        return true;
    error = GetLastError();
    return false;
}

bool Known(const RunResult& result, HWND box) {
    for (const BoxRecord& record : result.boxes)
        if (record.hwnd == box && !record.closed) return true;
    return false;
}

void NoteClosedBoxes(RunResult& result) {
    for (BoxRecord& record : result.boxes)
        if (!record.closed && !record.pressed.empty() && !IsWindow(record.hwnd))
            record.closed = true;
}

HWND NewBox(const RunResult& result, DWORD processId) {
    for (HWND box : VisibleBoxes(processId))
        if (!Known(result, box)) return box;
    return nullptr;
}

BoxRecord Inspect(HWND box, POINT slot) {
    BoxRecord record;
    record.hwnd = box;
    MoveToSlot(box, slot);
    Sleep(kSettleMs);
    record.icon = IdentifyIcon(box);
    ReadBox(box, record);
    return record;
}

// DEFAULT presses whatever the box offers as its default button.
Action Resolve(const BoxRecord& record, Action action) {
    if (action != Action::Default) return action;
    for (Action candidate : {Action::Ok, Action::Cancel, Action::Yes, Action::No}) {
        if (record.defaultButton == ActionName(candidate)) return candidate;
    }
    return Action::Close;
}

void Press(HWND box, BoxRecord& record, Action action) {
    action = Resolve(record, action);
    int id = ButtonId(action);
    bool offered = std::find(record.buttons.begin(), record.buttons.end(),
                             std::string(ActionName(action))) != record.buttons.end();
    // No user could press a button the box does not show: close the box instead,
    // so the test sees that its answer was not possible.
    if (id != 0 && offered) {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        record.pressed = ActionName(action);
    } else {
        PostMessageW(box, WM_CLOSE, 0, 0);
        record.pressed = ActionName(Action::Close);
    }
}

void SaveScreenshot(const Job& job, HWND box, size_t number) {
    if (job.screenshots.empty()) return;
    std::wstring path = job.screenshots;
    if (path.back() != L'\\') path += L'\\';
    path += L"box-" + std::to_wstring(number) + L".bmp";
    if (!SaveWindowBitmap(box, path)) fwprintf(stderr, L"cannot save %ls\n", path.c_str());
}

// Handles one box; false when the program must be stopped for showing too many.
bool HandleBox(const Job& job, HWND box, RunResult& result, int& unexpected, POINT slot) {
    BoxRecord record = Inspect(box, slot);
    size_t index = result.boxes.size();
    SaveScreenshot(job, box, index + 1);
    Action action = Action::Close;
    if (index < job.answers.size()) {
        record.expected = true;
        action = job.answers[index];
        record.answer = ActionName(action);
    } else {
        ++unexpected;
    }
    Press(box, record, action);
    result.boxes.push_back(record);
    return unexpected < kUnexpectedBoxCap;
}

// Boxes still open when the driver gives up: record them as left alone.
void RecordOpenBoxes(RunResult& result, DWORD processId) {
    for (HWND box : VisibleBoxes(processId)) {
        if (Known(result, box)) continue;
        BoxRecord record;
        record.hwnd = box;
        record.icon = IdentifyIcon(box);
        ReadBox(box, record);
        result.boxes.push_back(record);
    }
}

void Stop(PROCESS_INFORMATION& process) {
    TerminateProcess(process.hProcess, 0xDEAD);
    WaitForSingleObject(process.hProcess, 5000);
}

void Drive(const Job& job, PROCESS_INFORMATION& process, RunResult& result) {
    ULONGLONG deadline = Now() + job.timeoutMs;
    int unexpected = 0;
    POINT slot = ClaimScreenSlot();
    for (;;) {
        NoteClosedBoxes(result);
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        if (Now() >= deadline) {
            result.timedOut = true;
            RecordOpenBoxes(result, process.dwProcessId);
            Stop(process);
            return;
        }
        HWND box = NewBox(result, process.dwProcessId);
        if (!box) {
            Sleep(kPollMs);
            continue;
        }
        if (!HandleBox(job, box, result, unexpected, slot)) {
            result.tooManyBoxes = true;
            Stop(process);
            return;
        }
    }
    NoteClosedBoxes(result);
    result.exited = GetExitCodeProcess(process.hProcess, &result.exitCode) != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (RunsAsChild()) return RunChild();
    if (argc != 3) {
        fprintf(stderr, "usage: boxdriver <jobfile> <resultfile>\n");
        return 2;
    }
    Job job;
    std::string error;
    if (!ReadJob(argv[1], job, error)) {
        fprintf(stderr, "boxdriver: %s\n", error.c_str());
        return 2;
    }
    RunResult result;
    std::vector<HANDLE> held;
    for (const std::wstring& path : job.holds) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            fwprintf(stderr, L"boxdriver: cannot hold %ls\n", path.c_str());
            return 2;
        }
        held.push_back(file);
    }
    ClearClipboard();
    PROCESS_INFORMATION process = {};
    result.started = StartProgram(job, process, result.startError);
    if (result.started) {
        Drive(job, process, result);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ReadClipboard(result);
    }
    for (HANDLE file : held) CloseHandle(file);
    if (!WriteResult(argv[2], result)) {
        fprintf(stderr, "boxdriver: cannot write the result\n");
        return 2;
    }
    return 0;
}
