// boxdriver <result> <program> <arguments> <current folder> <folder for a
// picture of each box, or ""> <time-out in ms> <"hold": the clipboard is kept
// open meanwhile> <answers: OK, CANCEL, YES, NO, CLOSE or DEFAULT, separated by
// spaces> <files kept open (read, no sharing) meanwhile>... runs the program,
// answers its message boxes and writes what it saw of each as JSON.
// boxdriver link <shortcut> <output>: the shortcut as the shell link object
// reads it, in path=, arguments= and directory= lines.
#include "Driver.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

enum { kResult = 1, kProgram, kArguments, kDirectory, kScreenshots, kTimeout, kClipboard, kAnswers, kHolds };

// The buttons a message box can have, by control id; the first four can be pressed.
const int kButtonIds[] = {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE, IDHELP, IDTRYAGAIN, IDCONTINUE};
const char* const kButtonNames[] = {"OK", "CANCEL", "YES", "NO", "ABORT", "RETRY", "IGNORE", "HELP", "TRYAGAIN",
                                    "CONTINUE"};

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), text.size(), &out[0], out.size(), nullptr, nullptr));
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        char code[8];
        snprintf(code, sizeof code, "\\u%04x", c);
        out += c == '"' || c == '\\' ? std::string("\\") + char(c) : c < 0x20 ? code : std::string(1, char(c));
    }
    return out + "\"";
}

std::string JsonOrNull(const std::string& word) { return word.empty() ? "null" : "\"" + word + "\""; }

std::wstring TextOf(HWND window) {
    // The length reported for another process's window is only a hint: leave room.
    std::wstring text(std::max(GetWindowTextLengthW(window), 0) + 1024, L'\0');
    return text.substr(0, std::max(GetWindowTextW(window, &text[0], text.size()), 0));
}

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t found[64] = L"";
    return GetClassNameW(window, found, 64) && lstrcmpW(found, name) == 0;
}

struct Box {
    HWND hwnd;
    std::string read, answer, pressed, defaultButton;  // read: the JSON fields read off the box
    std::vector<std::string> buttons;
    bool closed = false;
};

struct Run {
    DWORD processId, exitCode = 0;
    bool exited = false, timedOut = false, tooManyBoxes = false;
    std::vector<Box> boxes;
    std::vector<HWND> found;  // of one search

    void NoteClosed() {
        for (Box& box : boxes) box.closed = box.closed || (!box.pressed.empty() && !IsWindow(box.hwnd));
    }
};

// The process's visible dialog windows, or a box's visible buttons.
BOOL CALLBACK Collect(HWND window, LPARAM param) {
    Run& run = *reinterpret_cast<Run*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (IsWindowVisible(window) && (run.processId ? owner == run.processId && HasClass(window, L"#32770")
                                                  : HasClass(window, L"Button")))
        run.found.push_back(window);
    return TRUE;
}

Box ReadBox(HWND hwnd, POINT slot) {
    Box box{hwnd};
    SetWindowPos(hwnd, HWND_TOP, slot.x + 40, slot.y + 40, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    Sleep(30);  // a box that just became visible may still be painting
    HWND text = GetDlgItem(hwnd, 0xFFFF);
    Run search{0};
    EnumChildWindows(hwnd, Collect, reinterpret_cast<LPARAM>(&search));
    auto left = [](HWND w) { RECT r; GetWindowRect(w, &r); return r.left; };
    std::sort(search.found.begin(), search.found.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
    std::string buttons;
    for (HWND button : search.found) {
        int id = GetDlgCtrlID(button), i = std::find(kButtonIds, kButtonIds + 10, id) - kButtonIds;
        box.buttons.push_back(i < 10 ? kButtonNames[i] : "ID" + std::to_string(id));
        buttons += (buttons.empty() ? "\"" : ", \"") + box.buttons.back() + "\"";
        // DM_GETDEFID answers 1 whatever the box; the button style tells the truth.
        if ((GetWindowLongW(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) box.defaultButton = box.buttons.back();
    }
    box.read = "{\"caption\": " + Json(TextOf(hwnd)) + ", \"text\": " + (text ? Json(TextOf(text)) : "null") +
               ", \"icon\": \"" + IdentifyIcon(hwnd) + "\", \"buttons\": [" + buttons + "], \"default\": " +
               JsonOrNull(box.defaultButton);
    return box;
}

// No user could press a button the box does not show: close the box instead,
// so the test sees that its answer was not possible. DEFAULT presses the default.
void Press(Box& box, std::string action) {
    if (action == "DEFAULT") action = box.defaultButton;
    int i = std::find(kButtonNames, kButtonNames + 4, action) - kButtonNames;
    bool offered = i < 4 && std::find(box.buttons.begin(), box.buttons.end(), action) != box.buttons.end();
    box.pressed = offered ? action : "CLOSE";
    PostMessageW(box.hwnd, offered ? WM_COMMAND : WM_CLOSE, offered ? MAKEWPARAM(kButtonIds[i], BN_CLICKED) : 0, 0);
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

void Drive(wchar_t** job, HANDLE process, Run& run) {
    std::vector<std::string> answers;
    for (wchar_t* answer = wcstok(job[kAnswers], L" "); answer; answer = wcstok(nullptr, L" "))
        answers.push_back(Utf8(answer));
    ULONGLONG deadline = GetTickCount64() + _wtoi(job[kTimeout]);
    POINT slot = ClaimScreenSlot();
    for (int unexpected = 0; WaitForSingleObject(process, 0) != WAIT_OBJECT_0;) {
        run.NoteClosed();
        bool late = GetTickCount64() >= deadline;
        run.found.clear();
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&run));
        HWND hwnd = nullptr;
        for (HWND candidate : run.found) {
            if (std::any_of(run.boxes.begin(), run.boxes.end(), [&](Box& b) { return b.hwnd == candidate && !b.closed; }))
                continue;
            if (!late && (hwnd = candidate)) break;
            run.boxes.push_back(ReadBox(candidate, slot));  // still open when the driver gives up
        }
        if (late || unexpected >= 20) {
            (late ? run.timedOut : run.tooManyBoxes) = true;
            TerminateProcess(process, 0xDEAD);
            WaitForSingleObject(process, 5000);
            return;
        }
        if (!hwnd) { Sleep(10); continue; }
        Box box = ReadBox(hwnd, slot);
        size_t index = run.boxes.size();
        if (*job[kScreenshots] &&
            !SaveWindowBitmap(hwnd, job[kScreenshots] + std::wstring(L"\\box-") + std::to_wstring(index + 1) + L".bmp"))
            fprintf(stderr, "cannot save screenshot %u\n", unsigned(index + 1));
        box.answer = index < answers.size() ? answers[index] : (++unexpected, "");
        Press(box, index < answers.size() ? box.answer : "CLOSE");
        run.boxes.push_back(box);
    }
    run.NoteClosed();
    run.exited = GetExitCodeProcess(process, &run.exitCode) != 0;
}

bool OpenClipboardSoon() {
    for (int attempt = 0; attempt < 50; ++attempt, Sleep(20))
        if (OpenClipboard(nullptr)) return true;
    return false;
}

// Before the run the clipboard holds text in the Unicode format only, which a
// program that puts CF_TEXT there without emptying it first would leave;
// after it, its text is what the run left there.
std::string Clipboard(bool before) {
    static const wchar_t kBefore[] = L"before the run";
    std::string text = "null";
    if (!OpenClipboardSoon()) return text;
    if (before) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof kBefore);
        if (void* bytes = memory ? GlobalLock(memory) : nullptr) memcpy(bytes, kBefore, sizeof kBefore), GlobalUnlock(memory);
        if (!EmptyClipboard() || !memory || !SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = Json(chars), GlobalUnlock(data);
    }
    return CloseClipboard(), text;
}

int DriveJob(int count, wchar_t** job) {
    // An empty result tells the tests that the driver ran: without it, a
    // failed run never started the program and may be tried again.
    if (!WriteWholeFile(job[kResult], "")) return fputs("boxdriver: cannot write the result\n", stderr), 2;
    std::vector<HANDLE> held;
    for (int i = kHolds; i < count; ++i)
        if (held.push_back(CreateFileW(job[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
            held.back() == INVALID_HANDLE_VALUE)
            return fprintf(stderr, "boxdriver: cannot hold %s\n", Utf8(job[i]).c_str()), 2;
    bool holdClipboard = wcscmp(job[kClipboard], L"hold") == 0;
    HWND owner = holdClipboard ? CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)
                               : nullptr;
    if (holdClipboard && (!owner || !OpenClipboard(owner))) return fputs("boxdriver: cannot hold the clipboard\n", stderr), 2;
    if (!holdClipboard) Clipboard(true);
    std::wstring commandLine = L"\"" + std::wstring(job[kProgram]) + L"\"" +
                               (*job[kArguments] ? L" " + std::wstring(job[kArguments]) : L"");
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    Run run{0};
    // Wine under load, or in a prefix made a moment ago, was seen to refuse a
    // start now and then with ERROR_INTERNAL_ERROR; a later try goes through.
    DWORD error = ERROR_INTERNAL_ERROR;
    for (int attempt = 0; attempt < 3 && error == ERROR_INTERNAL_ERROR; ++attempt, error && (Sleep(500), 0))
        error = CreateProcessW(job[kProgram], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, job[kDirectory],
                               &startup, &process) ? 0 : GetLastError();
    std::string clipboard = "null";
    if (!error) {
        run.processId = process.dwProcessId;
        Drive(job, process.hProcess, run);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (!holdClipboard) clipboard = Clipboard(false);
    }
    for (HANDLE file : held) CloseHandle(file);
    if (owner) CloseClipboard(), DestroyWindow(owner);
    std::string out = "{\"started\": " + std::string(error ? "false" : "true") + ", \"start_error\": " +
                      std::to_string(error) + ", \"exit_code\": " + (run.exited ? std::to_string(run.exitCode) : "null") +
                      ", \"timed_out\": " + (run.timedOut ? "true" : "false") + ", \"too_many_boxes\": " +
                      (run.tooManyBoxes ? "true" : "false") + ", \"clipboard\": " + clipboard + ",\n \"boxes\": [";
    for (const Box& box : run.boxes)
        out += std::string(&box == &run.boxes[0] ? "\n  " : ",\n  ") + box.read + ", \"answer\": " +
               JsonOrNull(box.answer) + ", \"pressed\": " + JsonOrNull(box.pressed) + ", \"closed\": " +
               (box.closed ? "true" : "false") + "}";
    if (WriteWholeFile(job[kResult], out + "]}\n")) return 0;
    return fputs("boxdriver: cannot write the result\n", stderr), 2;
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
    wchar_t path[1024] = L"", arguments[1024] = L"", directory[1024] = L"";
    if (SUCCEEDED(hr))
        link->GetPath(path, 1024, nullptr, SLGP_RAWPATH), link->GetArguments(arguments, 1024),
            link->GetWorkingDirectory(directory, 1024);
    if (link) link->Release();
    if (FAILED(hr)) return fprintf(stderr, "boxdriver: cannot load the shortcut: 0x%08lx\n", (unsigned long)hr), 2;
    return WriteWholeFile(output, "path=" + Utf8(path) + "\narguments=" + Utf8(arguments) + "\ndirectory=" +
                                      Utf8(directory) + "\n") ? 0 : 2;
}

}  // namespace

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    bool written = file && fwrite(data.data(), 1, data.size(), file) == data.size();
    return file && fclose(file) == 0 && written;
}

int wmain(int argc, wchar_t** argv) {
    if (RunsAsChild()) return RunChild();
    if (argc == 4 && wcscmp(argv[1], L"link") == 0) return ReadShortcut(argv[2], argv[3]);
    if (argc >= kHolds) return DriveJob(argc, argv);
    return fputs("usage: see tools/boxdriver/Main.cpp\n", stderr), 2;
}
