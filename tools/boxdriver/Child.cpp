// Copied under another name (app.exe), the driver plays a program that the
// updater starts. app.exe.plan holds key=value lines (0 when missing): busy=<ms>
// before it is ready for input; window=1: a window whose messages it serves, so
// that it becomes ready for input (0: no message queue at all); run=<ms> it runs
// once ready (-1: until stopped); exit=<code>; guard=1: others may open it only
// to wait and to query its path, as programs of other users and elevated ones
// allow. It appends "<pid> <fact> <value>" lines in UTF-8 to app.exe.out:
// started, command, directory, guarded, ready, ended (times in milliseconds of
// the system clock). It ends early when app.exe.stop exists, or at kLifetimeMs.
#include "Child.h"

#include <windows.h>
#include <sddl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const DWORD kPollMs = 20;
const long long kLifetimeMs = 60000;
enum { kBusy, kWindow, kRun, kExit, kGuard, kKeys };
const char* const kKeyNames[kKeys] = {"busy", "window", "run", "exit", "guard"};

// The own path with a suffix.
const wchar_t* Beside(const wchar_t* suffix) {
    static wchar_t path[MAX_PATH * 2 + 8];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    lstrcpyW(path + length, suffix);
    return path;
}

// One line per write, appended, so that copies running side by side and
// the tests reading meanwhile never see half a fact.
void Record(const char* fact, const wchar_t* value) {
    static char text[3 * 32768];
    if (!WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text, nullptr, nullptr)) text[0] = 0;
    FILE* file = _wfopen(Beside(L".out"), L"ab");
    if (!file) return;
    fprintf(file, "%lu %s %s\n", GetCurrentProcessId(), fact, text);
    fclose(file);
}

void RecordTime(const char* fact) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    wchar_t text[24];
    _snwprintf(text, 24, L"%I64u", ((ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime) / 10000);
    Record(fact, text);
}

void ReadPlan(long long (&plan)[kKeys]) {
    FILE* file = _wfopen(Beside(L".plan"), L"rb");
    char line[256];
    while (file && fgets(line, sizeof line, file)) {
        char* equals = strchr(line, '=');
        if (!equals) continue;
        *equals = 0;
        for (int key = 0; key < kKeys; key++)
            if (strcmp(line, kKeyNames[key]) == 0) plan[key] = strtoll(equals + 1, nullptr, 10);
    }
    if (file) fclose(file);
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

}  // namespace

bool RunsAsChild() {
    const wchar_t* path = Beside(L"");
    const wchar_t* slash = wcsrchr(path, L'\\');
    return lstrcmpiW(slash ? slash + 1 : path, L"boxdriver.exe") != 0;
}

int RunChild() {
    RecordTime("started");
    Record("command", GetCommandLineW());
    wchar_t directory[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, directory);
    Record("directory", directory);
    long long plan[kKeys] = {};
    ReadPlan(plan);
    if (plan[kGuard]) Record("guarded", Guard() ? L"1" : L"0");
    Sleep((DWORD)plan[kBusy]);
    ULONGLONG end = GetTickCount64() + (plan[kRun] < 0 || plan[kRun] > kLifetimeMs ? kLifetimeMs : plan[kRun]);
    RecordTime("ready");
    // Ready for input once it waits for messages; a timer brings the checks.
    HWND window = plan[kWindow] ? CreateWindowW(L"STATIC", L"child", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                                nullptr, nullptr, nullptr) : nullptr;
    if (window) SetTimer(window, 1, kPollMs, nullptr);
    MSG message;
    while (GetTickCount64() < end && GetFileAttributesW(Beside(L".stop")) == INVALID_FILE_ATTRIBUTES) {
        if (!window) Sleep(kPollMs);
        else if (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    }
    RecordTime("ended");
    return (int)plan[kExit];
}
