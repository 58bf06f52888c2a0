// The box driver: boxdriver <result> <program> <arguments> <current folder> <folder for a picture of each box,
// or ""> <time-out in ms> <clipboard: "hold" keeps it open meanwhile; other text is put there first, and what
// the run left is read back> <answers: OK, CANCEL, YES, NO, CLOSE or DEFAULT, separated by spaces> <files kept
// open (read, no sharing) meanwhile>... runs the program, answers its message boxes and writes what it saw as JSON.
// boxdriver link <shortcut> <output>: the shortcut as the shell link object reads it (path=, arguments=, directory=).
// Copied under another name, it plays a program that the updater starts (RunChild).
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), text.size(), &out[0], out.size(), nullptr, nullptr));
    return out;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    bool written = file && fwrite(data.data(), 1, data.size(), file) == data.size();
    return file && fclose(file) == 0 && written;
}

// The own path with a suffix.
std::wstring Beside(const wchar_t* suffix) {
    wchar_t path[MAX_PATH * 2];
    path[GetModuleFileNameW(nullptr, path, MAX_PATH * 2)] = 0;
    return path + std::wstring(suffix);
}

// One line per write, appended, so that copies running side by side and
// the tests reading meanwhile never see half a fact.
void Record(const char* fact, const std::wstring& value) {
    FILE* file = _wfopen(Beside(L".out").c_str(), L"ab");
    if (!file)
        return;
    fprintf(file, "%lu %s %s\n", GetCurrentProcessId(), fact, Utf8(value).c_str());
    fclose(file);
}

// At the given time, or now.
void RecordTime(const char* fact, const FILETIME* at = nullptr) {
    FILETIME now;
    if (at) now = *at;
    else GetSystemTimeAsFileTime(&now);
    Record(fact, std::to_wstring((ULONGLONG(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000));
}

long long Plan(const char* key) {
    FILE* file = _wfopen(Beside(L".plan").c_str(), L"rb");
    char line[256];
    long long value = 0;
    for (size_t length = strlen(key); file && fgets(line, sizeof line, file);)
        if (strncmp(line, key, length) == 0 && line[length] == '=') value = strtoll(line + length + 1, nullptr, 10);
    return file && fclose(file), value;
}

// SYNCHRONIZE and PROCESS_QUERY_LIMITED_INFORMATION for everyone, nothing more.
bool Guard() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool guarded = ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x101000;;;WD)", SDDL_REVISION_1,
                                                                        &descriptor, nullptr) &&
                   SetKernelObjectSecurity(GetCurrentProcess(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return guarded;
}

// app.exe.plan holds key=value lines (0 when missing): busy=<ms> before it is ready for input; window=1: a window
// whose messages it serves (0: no message queue at all); run=<ms> it runs once ready (-1: until stopped);
// exit=<code>; guard=1: others may open it only to wait and to query its path, as programs of other users and
// elevated ones allow. It appends "<pid> <fact> <value>" lines in UTF-8 to app.exe.out: started (always first),
// created (when the system made the process, in its starter's call, however late it then got to run), command,
// directory, guarded, ready, ended (times in ms of the system clock). It ends when app.exe.stop appears, or after a
// minute.
int RunChild() {
    RecordTime("started");
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) RecordTime("created", &created);
    Record("command", GetCommandLineW());
    wchar_t directory[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, directory);
    Record("directory", directory);
    if (Plan("guard")) Record("guarded", Guard() ? L"1" : L"0");
    Sleep(DWORD(Plan("busy")));
    long long run = Plan("run");
    ULONGLONG end = GetTickCount64() + (run < 0 || run > 60000 ? 60000 : run);
    RecordTime("ready");
    // Ready for input once it waits for messages; a timer brings the checks.
    HWND window = Plan("window") ? CreateWindowW(L"STATIC", L"child", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                                 nullptr, nullptr, nullptr) : nullptr;
    if (window) SetTimer(window, 1, 20, nullptr);
    MSG message;
    while (GetTickCount64() < end && GetFileAttributesW(Beside(L".stop").c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!window) Sleep(20);
        else if (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    }
    RecordTime("ended");
    return int(Plan("exit"));
}

// A top-down 32-bit picture of the screen with its memory DC.
struct Picture {
    int width, height;
    HDC dc = CreateCompatibleDC(nullptr);
    DWORD* bits = nullptr;
    HBITMAP bitmap;

    Picture(int w, int h) : width(w), height(h) {
        BITMAPINFO info = {{sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB}};
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        if (bitmap) SelectObject(dc, bitmap);
    }
    ~Picture() {
        DeleteDC(dc);
        if (bitmap) DeleteObject(bitmap);
    }
    bool Grab(const RECT& r) {
        HDC screen = GetDC(nullptr);
        bool ok = bitmap && BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        return GdiFlush(), ok;
    }
};

// The icon of a box cannot be read from another process, but its pixels can:
// the box's icon control is compared with the stock icons drawn here.
bool LooksLike(const Picture& shot, const wchar_t* stock) {
    Picture drawn(shot.width, shot.height);
    HICON icon = LoadIconW(nullptr, stock);
    if (!drawn.bitmap || !icon) return false;
    // The icon's transparent corner shows the box's background.
    std::fill(drawn.bits, drawn.bits + shot.width * shot.height, shot.bits[0]);
    DrawIconEx(drawn.dc, 0, 0, icon, shot.width, shot.height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    for (int i = 0; i < shot.width * shot.height; ++i)
        if ((drawn.bits[i] ^ shot.bits[i]) & 0xFFFFFF) return false;
    return true;
}

const char* IdentifyIcon(HWND box) {
    const wchar_t* stocks[] = {IDI_HAND, IDI_ASTERISK, IDI_EXCLAMATION, IDI_QUESTION};
    const char* names[] = {"error", "information", "warning", "question"};
    HWND control = GetDlgItem(box, 1088);
    RECT r;
    // A box without icon keeps a smaller, blank control.
    if (!control || !IsWindowVisible(control) || !GetWindowRect(control, &r) ||
        r.right - r.left != GetSystemMetrics(SM_CXICON) || r.bottom - r.top != GetSystemMetrics(SM_CYICON))
        return "none";
    Picture shot(r.right - r.left, r.bottom - r.top);
    // The box may still be painting when it first shows; poll before saying "none".
    for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < 500 && IsWindow(box); Sleep(20)) {
        if (!GetWindowRect(control, &r) || !shot.Grab(r)) continue;
        for (int i = 0; i < 4; ++i)
            if (LooksLike(shot, stocks[i])) return names[i];
    }
    return "none";
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    Picture shot(r.right - r.left, r.bottom - r.top);
    if (!shot.Grab(r)) return false;
    BITMAPINFOHEADER header = {sizeof header, shot.width, -shot.height, 1, 32, BI_RGB};
    DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header, size = shot.width * shot.height * 4;
    BITMAPFILEHEADER file = {0x4D42, offset + size, 0, 0, offset};
    return WriteWholeFile(path, std::string(reinterpret_cast<const char*>(&file), sizeof file) +
                                    std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                                    std::string(reinterpret_cast<const char*>(shot.bits), size));
}

enum { kResult = 1, kProgram, kArguments, kDirectory, kScreenshots, kTimeout, kClipboard, kAnswers, kHolds };

// The buttons a message box can have, by control id; the first four can be pressed.
const int kButtonIds[] = {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE, IDHELP, IDTRYAGAIN, IDCONTINUE};
const char* const kButtonNames[] = {"OK", "CANCEL", "YES", "NO", "ABORT", "RETRY", "IGNORE", "HELP", "TRYAGAIN",
                                    "CONTINUE"};

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        char code[8];
        snprintf(code, sizeof code, c < 0x20 || c == '"' || c == '\\' ? "\\u%04x" : "%c", c);
        out += code;
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

// The updater's progress window, read as it goes: its caption, the two texts (the step, the item) and the bar.
struct Progress {
    HWND hwnd = nullptr;
    std::vector<std::string> seen;  // JSON, one per moment the item changed or the bar moved a tenth, every 300 ms at most
    std::wstring lastItem;
    long lastBar = 0;
    ULONGLONG lastTime = 0;
    bool stop = false, stopped = false, pictured = false;  // stop: press its Cancel once it shows
};

struct Run {
    DWORD processId, exitCode = 0;
    bool exited = false, timedOut = false, tooManyBoxes = false;
    std::vector<Box> boxes;
    Progress progress;
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

// It holds a bar of the updater's own class, which answers PBM_GETPOS (WM_USER + 8) in tenths of a percent.
HWND ProgressBar(HWND window) { return FindWindowExW(window, nullptr, L"UpdaterProgressBar", nullptr); }

void ReadProgress(Progress& progress, HWND window, POINT slot, const wchar_t* pictures) {
    if (progress.hwnd != window)
        SetWindowPos(window, HWND_TOP, slot.x + 40, slot.y + 300, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    progress.hwnd = window;
    std::wstring item = TextOf(GetDlgItem(window, 102));
    long bar = long(SendMessageW(ProgressBar(window), WM_USER + 8, 0, 0));
    ULONGLONG now = GetTickCount64();
    // A window that is still being filled, or is being emptied at the step's end, is no reading.
    bool moved = (item != progress.lastItem || bar >= progress.lastBar + 100) && !TextOf(GetDlgItem(window, 101)).empty();
    if (moved && now - progress.lastTime >= 100 && progress.seen.size() < 20) {
        progress.lastItem = item, progress.lastTime = now, progress.lastBar = bar;
        progress.seen.push_back("{\"caption\": " + Json(TextOf(window)) + ", \"step\": " +
                                Json(TextOf(GetDlgItem(window, 101))) + ", \"item\": " + Json(item) +
                                ", \"bar\": " + std::to_string(bar) + "}");
    }
    // Once two readings are in: under load a picture takes long, and a window shown late might give no second one.
    if (bar > 0 && !progress.pictured && *pictures && progress.seen.size() >= 2) {
        Sleep(50);  // painted
        progress.pictured = SaveWindowBitmap(window, pictures + std::wstring(L"\\progress.bmp"));
    }
    if (progress.stop && !progress.stopped) {
        progress.stopped = true;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
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
    // "STOP" first: the progress window's Cancel is pressed, and the boxes get the answers after it.
    if ((run.progress.stop = !answers.empty() && answers[0] == "STOP")) answers.erase(answers.begin());
    ULONGLONG deadline = GetTickCount64() + _wtoi(job[kTimeout]);
    POINT slot = ClaimScreenSlot();
    for (int unexpected = 0; WaitForSingleObject(process, 0) != WAIT_OBJECT_0;) {
        run.NoteClosed();
        bool late = GetTickCount64() >= deadline;
        run.found.clear();
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&run));
        HWND hwnd = nullptr;
        for (HWND candidate : run.found) {
            // Once known, the progress window stays known: at the run's end it loses its bar before it goes.
            if (candidate == run.progress.hwnd || ProgressBar(candidate)) {
                ReadProgress(run.progress, candidate, slot, job[kScreenshots]);
                continue;
            }
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
        if (!hwnd) {
            Sleep(10);
            continue;
        }
        Box box = ReadBox(hwnd, slot);
        if (!IsWindow(hwnd))  // gone while it was read: a window the run destroyed, no box (nobody answered it)
            continue;
        size_t index = run.boxes.size();
        if (*job[kScreenshots])
            SaveWindowBitmap(hwnd, job[kScreenshots] + std::wstring(L"\\box-") + std::to_wstring(index + 1) + L".bmp");
        box.answer = index < answers.size() ? answers[index] : (++unexpected, "");
        Press(box, index < answers.size() ? box.answer : "CLOSE");
        run.boxes.push_back(box);
    }
    run.NoteClosed();
    run.exited = GetExitCodeProcess(process, &run.exitCode) != 0;
}

// Code 2: the job could not be done as asked.
int Refuse(const char* what) {
    fprintf(stderr, "boxdriver: %s\n", what);
    return 2;
}

// Puts `before` there (Unicode text only, which a program that puts CF_TEXT
// there without emptying it first would leave), or reads back its text.
std::string Clipboard(const wchar_t* before) {
    std::string text = "null";
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
    size_t size = before ? (wcslen(before) + 1) * sizeof *before : 0;
    if (HGLOBAL memory = before ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr) {
        memcpy(GlobalLock(memory), before, size);
        GlobalUnlock(memory);
        if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else if (HANDLE data = before ? nullptr : GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = Json(chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

int DriveJob(int count, wchar_t** job) {
    std::vector<HANDLE> held;
    // "+name": held the way an indexer holds a file, every kind of sharing allowed.
    for (int i = kHolds; i < count; ++i) {
        bool shared = job[i][0] == L'+';
        held.push_back(CreateFileW(job[i] + shared, GENERIC_READ, shared ? 7 : 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (held.back() == INVALID_HANDLE_VALUE)
            return Refuse(("cannot hold " + Utf8(job[i])).c_str());
    }
    bool hold = wcscmp(job[kClipboard], L"hold") == 0, swap = *job[kClipboard] && !hold;
    HWND owner = hold ? CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr) : nullptr;
    if (hold && (!owner || !OpenClipboard(owner)))
        return Refuse("cannot hold the clipboard");
    if (swap) Clipboard(job[kClipboard]);
    std::wstring commandLine = L"\"" + std::wstring(job[kProgram]) + L"\"" +
                               (*job[kArguments] ? L" " + std::wstring(job[kArguments]) : L"");
    // The program's folder for temporary files, where the test asks for one (Wine takes TEMP from its registry).
    wchar_t temp[1024];
    if (GetEnvironmentVariableW(L"BOXDRIVER_TEMP", temp, 1024) - 1u < 1023u) {
        SetEnvironmentVariableW(L"TEMP", temp);
        SetEnvironmentVariableW(L"TMP", temp);
    }
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    Run run{0};
    DWORD error = CreateProcessW(job[kProgram], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, job[kDirectory],
                                 &startup, &process) ? 0 : GetLastError();
    // Wine under load, or in a prefix made a moment ago, was seen to refuse a start now and then with
    // ERROR_INTERNAL_ERROR: code 1 and no result, and the harness tries again.
    if (error == ERROR_INTERNAL_ERROR) return 1;
    if (!error) {
        run.processId = process.dwProcessId;
        Drive(job, process.hProcess, run);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::string clipboard = swap && !error ? Clipboard(nullptr) : "null";
    for (HANDLE file : held) CloseHandle(file);
    if (owner) {
        CloseClipboard();
        DestroyWindow(owner);
    }
    std::string out = "{\"started\": " + std::string(error ? "false" : "true") + ", \"start_error\": " +
                      std::to_string(error) + ", \"exit_code\": " + (run.exited ? std::to_string(run.exitCode) : "null") +
                      ", \"timed_out\": " + (run.timedOut ? "true" : "false") + ", \"too_many_boxes\": " +
                      (run.tooManyBoxes ? "true" : "false") + ", \"clipboard\": " + clipboard + ",\n \"progress\": [";
    for (const std::string& seen : run.progress.seen)
        out += (&seen == &run.progress.seen[0] ? "\n  " : ",\n  ") + seen;
    out += "],\n \"boxes\": [";
    for (const Box& box : run.boxes)
        out += std::string(&box == &run.boxes[0] ? "\n  " : ",\n  ") + box.read + ", \"answer\": " +
               JsonOrNull(box.answer) + ", \"pressed\": " + JsonOrNull(box.pressed) + ", \"closed\": " +
               (box.closed ? "true" : "false") + "}";
    return WriteWholeFile(job[kResult], out + "]}\n") ? 0 : 2;
}

// Wine's link object does not load the window state back; the tests read it
// from the file's header. The process ends right after: the objects go with it.
int ReadShortcut(const wchar_t* shortcut, const wchar_t* output) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t path[1024] = L"", arguments[1024] = L"", directory[1024] = L"";
    if (FAILED(CoInitialize(nullptr)) || FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                                 IID_IShellLinkW, reinterpret_cast<void**>(&link))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
        FAILED(file->Load(shortcut, STGM_READ)) || FAILED(link->GetPath(path, 1024, nullptr, SLGP_RAWPATH)) ||
        FAILED(link->GetArguments(arguments, 1024)) || FAILED(link->GetWorkingDirectory(directory, 1024)))
        return Refuse("cannot read the shortcut");
    return WriteWholeFile(output, "path=" + Utf8(path) + "\narguments=" + Utf8(arguments) + "\ndirectory=" +
                                      Utf8(directory) + "\n") ? 0 : 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring self = Beside(L"");
    if (lstrcmpiW(self.c_str() + self.find_last_of(L'\\') + 1, L"boxdriver.exe") != 0) return RunChild();
    if (argc == 4 && wcscmp(argv[1], L"link") == 0) return ReadShortcut(argv[2], argv[3]);
    return argc >= kHolds ? DriveJob(argc, argv) : 2;
}
