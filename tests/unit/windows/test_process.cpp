// Finding a running program as the systems before Vista do, with PSAPI's
// readers, on a real process: FIND waiting for its input (no other test
// runs it; the harness runs the command interpreter beside this one).
#include <doctest.h>

#include <windows.h>

#include <string>

#include "system/Handles.h"
#include "system/Process.h"

namespace {

BOOL WINAPI RefuseImageName(HANDLE, DWORD, LPSTR, PDWORD) { return FALSE; }

// Its input ends (and so does it) however the test case ends.
struct Child {
    PROCESS_INFORMATION process = {};
    HANDLE input = nullptr, feed = nullptr;
    ~Child() {
        TerminateProcess(process.hProcess, 0);
        for (HANDLE handle : {process.hProcess, process.hThread, input, feed})
            CloseHandle(handle);
    }
};

} // namespace

// A row: the readers and whether Toolhelp is used. The paths compared are
// PSAPI's own (under WOW64 other readers may name another folder).
TEST_CASE("find process: PSAPI with and without Toolhelp, and after Vista's reader is refused; never this process") {
    LibraryHandle psapi("PSAPI.DLL");
    ImagePathReaders xp = ImagePathReadersOf(psapi);
    xp.queryImageName = nullptr;
    REQUIRE((xp.enumModules && xp.moduleFileName && xp.enumProcesses));
    const ImagePathReaders refused = {RefuseImageName, xp.enumModules, xp.moduleFileName, xp.enumProcesses};

    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    Child child;
    REQUIRE(CreatePipe(&child.input, &child.feed, &inherited, 0));
    SetHandleInformation(child.feed, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = child.input;
    char folder[MAX_PATH];
    std::string command = std::string(folder, GetSystemDirectoryA(folder, MAX_PATH)) + "\\find.exe \"x\"";
    REQUIRE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &child.process));
    // Until the child's loader has run, PSAPI lists none of its modules
    // (seconds on a loaded machine).
    HMODULE modules[512];
    DWORD needed = 0;
    for (int tries = 0; tries < 600 && !(xp.enumModules(child.process.hProcess, modules, sizeof modules, &needed) && needed);
         tries++)
        Sleep(50);
    char childPath[MAX_PATH], ownPath[MAX_PATH], upper[MAX_PATH];
    REQUIRE(xp.moduleFileName(child.process.hProcess, modules[0], childPath, MAX_PATH));
    REQUIRE(xp.moduleFileName(GetCurrentProcess(), GetModuleHandleA(nullptr), ownPath, MAX_PATH));
    CharUpperA(lstrcpynA(upper, childPath, MAX_PATH));
    const struct { const ImagePathReaders* readers; bool toolhelp; } rows[] = {
        {&xp, true}, {&xp, false}, {&refused, true}, {&refused, false}};
    for (const auto& row : rows) {
        CAPTURE(row.toolhelp);
        CAPTURE(row.readers == &refused);
        ProcessList running;
        running.TakeWith(row.readers, row.toolhelp);
        CHECK(running.Find(String(childPath)) == child.process.dwProcessId);
        CHECK(running.Find(String(upper)) == child.process.dwProcessId);
        CHECK(running.Find(String(ownPath)) == 0);
    }
}
