// A copy of the driver under another name (app.exe) plays the program the
// updater starts. Beside it, app.exe.plan says what to do, as key=value lines:
//   busy=<ms>    time before it becomes ready for input (default 0)
//   window=1     make a window and serve its messages, so that it becomes
//                ready for input; 0 (default) has no message queue at all
//   run=<ms>     time it runs once ready (default 0; -1 until stopped)
//   exit=<code>  its exit code (default 0)
//   guard=1      let others open it only to wait and to query its path, as
//                programs of other users and elevated ones appear
// It appends to app.exe.out one line per fact, "<pid> <fact> <value>" in
// UTF-8: command, directory, started, ready, ended (times in milliseconds
// of the system clock). It ends early when app.exe.stop exists, and never
// outlives kLifetimeMs.
#include "Child.h"
#include "Job.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const DWORD kPollMs = 20;
const ULONGLONG kLifetimeMs = 60000;

struct Plan {
    DWORD busyMs = 0;
    bool window = false;
    long long runMs = 0;  // negative: until stopped
    UINT exitCode = 0;
    bool guard = false;
};

std::wstring OwnPath() {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::wstring(path, length);
}

ULONGLONG Clock() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime) / 10000;
}

Plan ReadPlan(const std::wstring& path) {
    Plan plan;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return plan;
    char line[256];
    while (fgets(line, sizeof line, file)) {
        char* equals = strchr(line, '=');
        if (!equals) continue;
        *equals = 0;
        long long value = strtoll(equals + 1, nullptr, 10);
        std::string key = line;
        if (key == "busy") plan.busyMs = (DWORD)value;
        else if (key == "window") plan.window = value != 0;
        else if (key == "run") plan.runMs = value;
        else if (key == "exit") plan.exitCode = (UINT)value;
        else if (key == "guard") plan.guard = value != 0;
    }
    fclose(file);
    return plan;
}

// One line per write, appended, so that copies running side by side and
// the tests reading meanwhile never see half a fact.
void Record(const std::wstring& path, const char* fact, const std::string& value) {
    FILE* file = _wfopen(path.c_str(), L"ab");
    if (!file) return;
    fprintf(file, "%lu %s %s\n", GetCurrentProcessId(), fact, value.c_str());
    fclose(file);
}

void RecordTime(const std::wstring& path, const char* fact) {
    Record(path, fact, std::to_string(Clock()));
}

// SYNCHRONIZE and PROCESS_QUERY_LIMITED_INFORMATION for everyone, nothing
// more. advapi32 is loaded here so that the driver's link stays as it is.
bool Guard() {
    typedef BOOL(WINAPI * Convert)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    typedef BOOL(WINAPI * SetSecurity)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
    HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    if (!advapi) return false;
    Convert convert = (Convert)(void*)GetProcAddress(advapi, "ConvertStringSecurityDescriptorToSecurityDescriptorW");
    SetSecurity set = (SetSecurity)(void*)GetProcAddress(advapi, "SetKernelObjectSecurity");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool guarded = convert && set && convert(L"D:(A;;0x101000;;;WD)", 1, &descriptor, nullptr) &&
                   set(GetCurrentProcess(), DACL_SECURITY_INFORMATION, descriptor);
    if (descriptor) LocalFree(descriptor);
    return guarded;
}

struct Run {
    std::wstring stopPath;
    ULONGLONG end, lifetime;  // when run= is over; the backstop

    bool Over() const {
        ULONGLONG now = GetTickCount64();
        return now >= end || now >= lifetime || GetFileAttributesW(stopPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

// Ready for input once it waits for messages; a timer brings the checks.
void RunWithWindow(const Run& run) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"boxdriver-child";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"boxdriver-child", L"child", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    SetTimer(window, 1, kPollMs, nullptr);
    MSG message;
    while (!run.Over() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
}

}  // namespace

bool RunsAsChild() {
    std::wstring path = OwnPath();
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    return lstrcmpiW(name.c_str(), L"boxdriver.exe") != 0;
}

int RunChild() {
    std::wstring self = OwnPath();
    std::wstring out = self + L".out";
    RecordTime(out, "started");
    Record(out, "command", ToUtf8(GetCommandLineW()));
    wchar_t directory[MAX_PATH * 2];
    DWORD length = GetCurrentDirectoryW(MAX_PATH * 2, directory);
    Record(out, "directory", ToUtf8(std::wstring(directory, length)));
    Plan plan = ReadPlan(self + L".plan");
    if (plan.guard) Record(out, "guarded", Guard() ? "1" : "0");
    Sleep(plan.busyMs);
    ULONGLONG now = GetTickCount64();
    Run run = {self + L".stop", plan.runMs < 0 ? ~0ULL : now + (ULONGLONG)plan.runMs, now + kLifetimeMs};
    RecordTime(out, "ready");
    if (plan.window) RunWithWindow(run);
    while (!run.Over()) Sleep(kPollMs);
    RecordTime(out, "ended");
    return (int)plan.exitCode;
}
