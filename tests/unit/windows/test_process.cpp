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

// As the system names the program (not declared for the systems the program is built for).
std::string ImagePath(HANDLE process) {
    QueryImageNameFunction query = reinterpret_cast<QueryImageNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "QueryFullProcessImageNameA")));
    char path[MAX_PATH];
    DWORD size = MAX_PATH;
    return query && query(process, 0, path, &size) ? std::string(path, size) : std::string();
}

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
    HANDLE input, feed;
    REQUIRE(CreatePipe(&input, &feed, &inherited, 0));
    SetHandleInformation(feed, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    char folder[MAX_PATH];
    std::string command = std::string(folder, GetSystemDirectoryA(folder, MAX_PATH)) + "\\cmd.exe /q /k";
    PROCESS_INFORMATION child;
    REQUIRE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &child));
    const std::string childPath = ImagePath(child.hProcess), ownPath = ImagePath(GetCurrentProcess());
    REQUIRE(!childPath.empty());
    // PSAPI reads the module list only once the child's loader has made it.
    HMODULE module;
    DWORD needed;
    for (int i = 0; i < 100 && !xp.enumModules(child.hProcess, &module, sizeof module, &needed); i++)
        Sleep(50);
    const struct { const ImagePathReaders* readers; bool toolhelp; } rows[] = {
        {&xp, true}, {&xp, false}, {&refused, true}, {&refused, false}, {&none, true}};
    for (const auto& row : rows) {
        CAPTURE(row.toolhelp);
        CAPTURE(row.readers == &none);
        unsigned long expected = row.readers == &none ? 0 : child.dwProcessId;
        CHECK(FindProcessWith(String(childPath.c_str()), *row.readers, row.toolhelp) == expected);
        std::string otherCase = childPath;
        CharUpperBuffA(&otherCase[0], static_cast<DWORD>(otherCase.size()));
        CHECK(FindProcessWith(String(otherCase.c_str()), *row.readers, row.toolhelp) == expected);
        CHECK(FindProcessWith(String(ownPath.c_str()), *row.readers, row.toolhelp) == 0);
    }
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 5000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CloseHandle(input);
    CloseHandle(feed);
    FreeLibrary(psapi);
}
