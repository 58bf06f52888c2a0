// Copied under another name (app.exe), the driver plays a program that the
// updater starts. app.exe.plan holds key=value lines (0 when missing): busy=<ms>
// before it is ready for input; window=1: a window whose messages it serves
// (0: no message queue at all); run=<ms> it runs once ready (-1: until stopped);
// exit=<code>; guard=1: others may open it only to wait and to query its path,
// as programs of other users and elevated ones allow. It appends "<pid> <fact>
// <value>" lines in UTF-8 to app.exe.out: started, command, directory, guarded,
// ready, ended (ms of the system clock). It ends when app.exe.stop appears, or
// after a minute.
#include "Driver.h"

#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The own path with a suffix.
std::wstring Beside(const wchar_t* suffix) {
    wchar_t path[MAX_PATH * 2];
    path[GetModuleFileNameW(nullptr, path, MAX_PATH * 2)] = 0;
    return path + std::wstring(suffix);
}

// One line per write, appended, so that copies running side by side and
// the tests reading meanwhile never see half a fact.
void Record(const char* fact, const wchar_t* value) {
    static char text[3 * 32768];
    if (!WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text, nullptr, nullptr)) text[0] = 0;
    if (FILE* file = _wfopen(Beside(L".out").c_str(), L"ab"))
        fprintf(file, "%lu %s %s\n", GetCurrentProcessId(), fact, text), fclose(file);
}

void RecordTime(const char* fact) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    Record(fact, std::to_wstring((ULONGLONG(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000).c_str());
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

}  // namespace

bool RunsAsChild() {
    std::wstring path = Beside(L"");
    return lstrcmpiW(path.c_str() + path.find_last_of(L'\\') + 1, L"boxdriver.exe") != 0;
}

int RunChild() {
    RecordTime("started");
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
