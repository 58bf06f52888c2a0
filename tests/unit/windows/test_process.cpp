// Finding a running program as the systems before Vista do, with PSAPI's
// readers, on a real process: a command interpreter waiting for its input.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "system/Process.h"

namespace {

BOOL WINAPI RefuseImageName(HANDLE, DWORD, LPSTR, PDWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// The path of the process's first module as PSAPI reads it, the one
// FindProcessWith compares (a 32-bit process under WOW64 may be told
// another folder by other readers).
std::string ModulePath(const ImagePathReaders& readers, HANDLE process, HMODULE module) {
    char path[MAX_PATH];
    DWORD length = readers.moduleFileName(process, module, path, MAX_PATH);
    return std::string(path, length);
}

// Ended and closed however the test case ends.
struct Child {
    PROCESS_INFORMATION process = {};
    HANDLE input = nullptr, feed = nullptr;
    ~Child() {
        if (process.hProcess) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        CloseHandle(input);
        CloseHandle(feed);
    }
};

} // namespace

// A row: the readers, whether Toolhelp is used, and whether the child is found.
TEST_CASE("find process: Vista's reader refused, PSAPI with and without Toolhelp; never this process") {
    HMODULE psapi = LoadLibraryA("PSAPI.DLL");
    REQUIRE(psapi != nullptr);
    const ImagePathReaders xp = {
        nullptr, reinterpret_cast<EnumModulesFunction>(reinterpret_cast<void*>(GetProcAddress(psapi, "EnumProcessModules"))),
        reinterpret_cast<ModuleFileNameFunction>(reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExA"))),
        reinterpret_cast<EnumProcessesFunction>(reinterpret_cast<void*>(GetProcAddress(psapi, "EnumProcesses")))};
    REQUIRE((xp.enumModules && xp.moduleFileName && xp.enumProcesses));
    const ImagePathReaders refused = {RefuseImageName, xp.enumModules, xp.moduleFileName, xp.enumProcesses};
    const ImagePathReaders none = {nullptr, nullptr, nullptr, nullptr};

    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    Child child;
    REQUIRE(CreatePipe(&child.input, &child.feed, &inherited, 0));
    SetHandleInformation(child.feed, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = child.input;
    char folder[MAX_PATH];
    std::string command = std::string(folder, GetSystemDirectoryA(folder, MAX_PATH)) + "\\cmd.exe /q /k";
    REQUIRE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &child.process));
    // PSAPI lists the child's modules only once its loader has made the list
    // (until then it lists none; seconds on a loaded machine).
    HMODULE modules[512];
    DWORD needed;
    int tries = 0;
    while (!(xp.enumModules(child.process.hProcess, modules, sizeof modules, &needed) && needed) && ++tries < 600)
        Sleep(50);
    REQUIRE(tries < 600);
    const std::string childPath = ModulePath(xp, child.process.hProcess, modules[0]),
                      ownPath = ModulePath(xp, GetCurrentProcess(), GetModuleHandleA(nullptr));
    REQUIRE((!childPath.empty() && !ownPath.empty()));
    const struct { const ImagePathReaders* readers; bool toolhelp; } rows[] = {
        {&xp, true}, {&xp, false}, {&refused, true}, {&refused, false}, {&none, true}};
    for (const auto& row : rows) {
        CAPTURE(row.toolhelp);
        CAPTURE(row.readers == &none);
        unsigned long expected = row.readers == &none ? 0 : child.process.dwProcessId;
        CHECK(FindProcessWith(String(childPath.c_str()), *row.readers, row.toolhelp) == expected);
        std::string otherCase = childPath;
        CharUpperBuffA(&otherCase[0], static_cast<DWORD>(otherCase.size()));
        CHECK(FindProcessWith(String(otherCase.c_str()), *row.readers, row.toolhelp) == expected);
        CHECK(FindProcessWith(String(ownPath.c_str()), *row.readers, row.toolhelp) == 0);
    }
    FreeLibrary(psapi);
}
