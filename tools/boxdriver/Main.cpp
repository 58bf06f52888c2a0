// boxdriver <jobfile> <resultfile>: runs a program, records each message box
// it shows, answers them as the job says and writes what happened as JSON.
// boxdriver link <shortcut> <output>: reads a shortcut back through the shell
// link object into path=, arguments= and directory= lines.
#include "Child.h"
#include "Job.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int kUnexpectedBoxCap = 20;

std::wstring FromUtf8(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), text.size(), &out[0], out.size()));
    return out;
}

const char* const kAnswers[] = {"OK", "CANCEL", "YES", "NO", "CLOSE", "DEFAULT"};

bool ReadJob(const wchar_t* path, Job& job, std::string& error) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return error = "cannot read the job file", false;
    std::string data;
    char chunk[4096];
    for (DWORD got; ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got;) data.append(chunk, got);
    CloseHandle(file);
    for (size_t start = 0, end; start < data.size(); start = end + 1) {
        end = std::min(data.find('\n', start), data.size());
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        size_t equals = line.find('=');
        std::string key = line.substr(0, equals), value = equals == std::string::npos ? "" : line.substr(equals + 1);
        std::wstring wide = FromUtf8(value);
        if (key == "program") job.program = wide;
        else if (key == "arguments") job.arguments = wide;
        else if (key == "directory") job.directory = wide;
        else if (key == "screenshots") job.screenshots = wide;
        else if (key == "hold") job.holds.push_back(wide);
        else if (key == "clipboard" && value == "hold") job.holdClipboard = true;
        else if (key == "timeout") job.timeoutMs = strtoul(value.c_str(), nullptr, 10);
        else if (key == "answer" && std::find(std::begin(kAnswers), std::end(kAnswers), value) != std::end(kAnswers))
            job.answers.push_back(value);
        else return error = "bad line: " + line, false;
    }
    return job.program.empty() ? (error = "no program", false) : true;
}

// Tests run side by side on one screen, and every box opens in its middle.
// The icon is read off the screen, so each driver claims a quarter of it (a
// named mutex per quarter, held until the driver ends) and moves its boxes there.
POINT ClaimScreenSlot() {
    for (int slot = 0; slot < 4; ++slot) {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"boxdriver-screen-slot-" + std::to_wstring(slot)).c_str());
        DWORD wait = mutex ? WaitForSingleObject(mutex, 0) : WAIT_FAILED;
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return POINT{slot % 2 * 1280, slot / 2 * 1024};
        if (mutex) CloseHandle(mutex);
    }
    return POINT{0, 0};
}

bool OpenClipboardSoon() {
    for (int attempt = 0; attempt < 50; ++attempt, Sleep(20))
        if (OpenClipboard(nullptr)) return true;
    return false;
}

// What the clipboard holds before each run: text in the Unicode format only,
// which a program that puts CF_TEXT there without emptying it first leaves.
void SeedClipboard() {
    static const wchar_t kBefore[] = L"before the run";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof kBefore);
    if (void* bytes = memory ? GlobalLock(memory) : nullptr) memcpy(bytes, kBefore, sizeof kBefore), GlobalUnlock(memory);
    if (!EmptyClipboard() || !memory || !SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    CloseClipboard();
}

std::wstring TextOf(HWND window) {
    // The length reported for another process's window is only a hint: leave room.
    std::wstring text(std::max(GetWindowTextLengthW(window), 0) + 1024, L'\0');
    text.resize(std::max(GetWindowTextW(window, &text[0], text.size()), 0));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK AddBox(HWND window, LPARAM param) {
    Search& s = *reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == s.processId && IsWindowVisible(window) && ClassOf(window) == L"#32770") s.found.push_back(window);
    return TRUE;
}

// The visible dialog windows of the process, in window order.
std::vector<HWND> VisibleBoxes(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(AddBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK AddButton(HWND window, LPARAM param) {
    if (IsWindowVisible(window) && ClassOf(window) == L"Button")
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// The buttons a message box can have, by control id; the first four can be answered.
const int kButtonIds[] = {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE, IDHELP, IDTRYAGAIN, IDCONTINUE};
const char* const kButtonNames[] = {"OK", "CANCEL", "YES", "NO", "ABORT", "RETRY", "IGNORE", "HELP", "TRYAGAIN",
                                    "CONTINUE"};

std::string ButtonName(int id) {
    int i = std::find(kButtonIds, kButtonIds + 10, id) - kButtonIds;
    return i < 10 ? kButtonNames[i] : "ID" + std::to_string(id);
}

BoxRecord ReadBox(HWND box, POINT slot) {
    BoxRecord record;
    record.hwnd = box;
    SetWindowPos(box, HWND_TOP, slot.x + 40, slot.y + 40, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    Sleep(30);  // a box that just became visible may still be painting
    record.icon = IdentifyIcon(box);
    record.caption = TextOf(box);
    HWND text = GetDlgItem(box, 0xFFFF);
    record.hasText = text != nullptr;
    if (text) record.text = TextOf(text);
    std::vector<HWND> buttons;
    EnumChildWindows(box, AddButton, reinterpret_cast<LPARAM>(&buttons));
    auto left = [](HWND w) { RECT r; GetWindowRect(w, &r); return r.left; };
    std::sort(buttons.begin(), buttons.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
    for (HWND button : buttons) {
        record.buttons.push_back(ButtonName(GetDlgCtrlID(button)));
        // DM_GETDEFID answers 1 whatever the box; the button style tells the truth.
        if ((GetWindowLongW(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) record.defaultButton = record.buttons.back();
    }
    return record;
}

// No user could press a button the box does not show: close the box instead,
// so the test sees that its answer was not possible. DEFAULT presses the default.
void Press(BoxRecord& record, std::string action) {
    if (action == "DEFAULT") action = record.defaultButton;
    int i = std::find(kButtonNames, kButtonNames + 4, action) - kButtonNames;
    bool offered = i < 4 && std::find(record.buttons.begin(), record.buttons.end(), action) != record.buttons.end();
    record.pressed = offered ? action : "CLOSE";
    PostMessageW(record.hwnd, offered ? WM_COMMAND : WM_CLOSE, offered ? MAKEWPARAM(kButtonIds[i], BN_CLICKED) : 0, 0);
}

struct Run {
    bool started = false, exited = false, timedOut = false, tooManyBoxes = false, hasClipboard = false;
    DWORD startError = 0, exitCode = 0;
    std::vector<BoxRecord> boxes;
    std::wstring clipboard;

    bool Known(HWND box) const {
        return std::any_of(boxes.begin(), boxes.end(), [&](const BoxRecord& r) { return r.hwnd == box && !r.closed; });
    }
    void NoteClosed() {
        for (BoxRecord& r : boxes)
            if (!r.closed && !r.pressed.empty() && !IsWindow(r.hwnd)) r.closed = true;
    }
};

void Drive(const Job& job, const PROCESS_INFORMATION& process, Run& run) {
    ULONGLONG deadline = GetTickCount64() + job.timeoutMs;
    POINT slot = ClaimScreenSlot();
    for (int unexpected = 0;;) {
        run.NoteClosed();
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        bool late = GetTickCount64() >= deadline;
        HWND box = nullptr;
        for (HWND candidate : VisibleBoxes(process.dwProcessId)) {
            if (run.Known(candidate)) continue;
            if (!late) { box = candidate; break; }
            run.boxes.push_back(ReadBox(candidate, slot));  // still open when the driver gives up
        }
        if (late || unexpected >= kUnexpectedBoxCap) {
            (late ? run.timedOut : run.tooManyBoxes) = true;
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            return;
        }
        if (!box) {
            Sleep(10);
            continue;
        }
        BoxRecord record = ReadBox(box, slot);
        size_t index = run.boxes.size();
        if (!job.screenshots.empty() &&
            !SaveWindowBitmap(box, job.screenshots + L"\\box-" + std::to_wstring(index + 1) + L".bmp"))
            fwprintf(stderr, L"cannot save screenshot %zu\n", index + 1);
        if (index < job.answers.size()) record.answer = job.answers[index];
        else ++unexpected;
        Press(record, index < job.answers.size() ? record.answer : "CLOSE");
        run.boxes.push_back(record);
    }
    run.NoteClosed();
    run.exited = GetExitCodeProcess(process.hProcess, &run.exitCode) != 0;
}

std::string Json(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        const char* escapes[] = {"\\\"", "\\\\", "\\n", "\\r", "\\t"};
        size_t special = std::string("\"\\\n\r\t").find(c);
        char code[8];
        snprintf(code, sizeof code, "\\u%04x", c);
        out += special != std::string::npos ? escapes[special] : c < 0x20 ? code : std::string(1, c);
    }
    return out + "\"";
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : Json(text); }

std::string ResultJson(const Run& run) {
    auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
    std::string out = "{\"started\": " + flag(run.started);
    if (!run.started) out += ", \"start_error\": " + std::to_string(run.startError);
    out += ", \"exit_code\": " + (run.exited ? std::to_string(run.exitCode) : "null") +
           ", \"timed_out\": " + flag(run.timedOut) + ", \"too_many_boxes\": " + flag(run.tooManyBoxes) +
           ",\n \"boxes\": [";
    for (size_t i = 0; i < run.boxes.size(); ++i) {
        const BoxRecord& box = run.boxes[i];
        std::string buttons;
        for (const std::string& b : box.buttons) buttons += (buttons.empty() ? "" : ", ") + Json(b);
        out += std::string(i ? ",\n  " : "\n  ") + "{\"caption\": " + Json(ToUtf8(box.caption)) +
               ", \"text\": " + (box.hasText ? Json(ToUtf8(box.text)) : "null") + ", \"icon\": " + Json(box.icon) +
               ", \"buttons\": [" + buttons + "], \"default\": " + JsonOrNull(box.defaultButton) +
               ", \"answer\": " + JsonOrNull(box.answer) + ", \"pressed\": " + JsonOrNull(box.pressed) +
               ", \"expected\": " + flag(!box.answer.empty()) + ", \"closed\": " + flag(box.closed) + "}";
    }
    return out + "],\n \"clipboard\": " + (run.hasClipboard ? Json(ToUtf8(run.clipboard)) : "null") + "}\n";
}

// Wine's link object does not load the window state back; the tests read it
// from the file's header.
int ReadShortcut(const wchar_t* shortcut, const wchar_t* output) {
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Load(shortcut, STGM_READ), file->Release();
    std::string out;
    wchar_t text[1024];
    if (SUCCEEDED(hr)) {
        out += "path=" + ToUtf8((text[0] = 0, link->GetPath(text, 1024, nullptr, SLGP_RAWPATH), text)) + "\n";
        out += "arguments=" + ToUtf8((text[0] = 0, link->GetArguments(text, 1024), text)) + "\n";
        out += "directory=" + ToUtf8((text[0] = 0, link->GetWorkingDirectory(text, 1024), text)) + "\n";
    }
    if (link) link->Release();
    CoUninitialize();
    if (FAILED(hr)) fprintf(stderr, "boxdriver: cannot load the shortcut: 0x%08lx\n", static_cast<unsigned long>(hr));
    return SUCCEEDED(hr) && WriteWholeFile(output, out) ? 0 : 2;
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), text.size(), &out[0], out.size(), nullptr, nullptr));
    return out;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, data.data(), data.size(), &written, nullptr) &&
              written == data.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

int wmain(int argc, wchar_t** argv) {
    if (RunsAsChild()) return RunChild();
    if (argc == 4 && wcscmp(argv[1], L"link") == 0) return ReadShortcut(argv[2], argv[3]);
    Job job;
    std::string error = "usage: boxdriver <jobfile> <resultfile>";
    if (argc != 3 || !ReadJob(argv[1], job, error)) {
        fprintf(stderr, "boxdriver: %s\n", error.c_str());
        return 2;
    }
    // An empty result tells the tests that the driver ran: without it, a
    // failed run never started the program and may be tried again.
    if (!WriteWholeFile(argv[2], "")) {
        fprintf(stderr, "boxdriver: cannot write the result\n");
        return 2;
    }
    std::vector<HANDLE> held;
    for (const std::wstring& path : job.holds) {
        held.push_back(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (held.back() == INVALID_HANDLE_VALUE) {
            fwprintf(stderr, L"boxdriver: cannot hold %ls\n", path.c_str());
            return 2;
        }
    }
    // Wine lets a second opener without a window in while the first one
    // without a window holds it; a window makes the hold real.
    HWND owner = job.holdClipboard ? CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                                   nullptr) : nullptr;
    if (job.holdClipboard && (!owner || !OpenClipboard(owner))) {
        fprintf(stderr, "boxdriver: cannot hold the clipboard\n");
        return 2;
    }
    if (!job.holdClipboard && OpenClipboardSoon()) SeedClipboard();
    Run run;
    std::wstring commandLine = L"\"" + job.program + L"\"" + (job.arguments.empty() ? L"" : L" " + job.arguments);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    // Wine under load, or in a prefix made a moment ago, was seen to refuse a
    // start now and then with ERROR_INTERNAL_ERROR; a later try goes through.
    for (int attempt = 0; attempt < 3; ++attempt) {
        run.started = CreateProcessW(job.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                     nullptr, job.directory.empty() ? nullptr : job.directory.c_str(),
                                     &startup, &process);
        run.startError = run.started ? 0 : GetLastError();
        if (run.started || run.startError != ERROR_INTERNAL_ERROR) break;
        Sleep(500);
    }
    if (run.started) {
        Drive(job, process, run);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (!job.holdClipboard && OpenClipboardSoon()) {
            HANDLE data = GetClipboardData(CF_UNICODETEXT);
            if (const wchar_t* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr)
                run.hasClipboard = true, run.clipboard = text, GlobalUnlock(data);
            CloseClipboard();
        }
    }
    for (HANDLE file : held) CloseHandle(file);
    if (owner) CloseClipboard(), DestroyWindow(owner);
    if (WriteWholeFile(argv[2], ResultJson(run))) return 0;
    fprintf(stderr, "boxdriver: cannot write the result\n");
    return 2;
}
