// The Windows half of the benchmark, run under Wine next to updater.exe:
//   winbench plan FILE       runs the lines of FILE ("label<TAB>command line
//                            <TAB>folder[<TAB>options]"), each as a child
//                            process, and prints "label<TAB>seconds<TAB>exit
//                            code[<TAB>peak working set]"; options: "peak"
//                            (poll the working set), "limit=S" (end the
//                            child after S seconds, default 600)
//   winbench read FILE [KIB] reads FILE once in blocks of KIB (default 1024)
//                            KiB: the pass the whole-file CRC is measured against
//   winbench crc FILE KIB    the same, with Crc32Update over every block
//   winbench copy FROM TO    copies the tree FROM to TO with CopyFileA
//   winbench keep FROM TO    the same onto an earlier copy, each old file
//                            first renamed aside and deleted once replaced:
//                            the least that keeping the old files costs
//   winbench own FROM TO     copies the tree FROM onto an earlier copy TO as
//                            updater.exe does: each file written under a new
//                            name and renamed onto its target through the
//                            handle that wrote it
//   winbench ownkeep FROM TO the same, each old file first renamed aside and
//                            all of them deleted at the end: exactly one
//                            rename and one delete a file more (the floor of
//                            keeping the old files)
//   winbench profile FILE    reads MODE, ARG1 and ARG2 of every section of the
//                            script FILE, as a VERIFY list's loading does
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "foundation/Crc32.h"

static double Seconds() {
    static LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

static int RunLine(char* line) {
    char* fields[4] = {};
    int count = 0;
    for (char* p = line; count < 4 && p;) {
        fields[count++] = p;
        p = strchr(p, '\t');
        if (p)
            *p++ = 0;
    }
    if (count < 3)
        return 1;
    const char* options = count == 4 ? fields[3] : "";
    const bool peak = strstr(options, "peak") != nullptr;
    const char* limitOption = strstr(options, "limit=");
    const double limit = limitOption ? atof(limitOption + 6) : 600;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    const double start = Seconds();
    if (!CreateProcessA(nullptr, fields[1], nullptr, nullptr, FALSE, 0, nullptr, fields[2], &si, &pi)) {
        printf("%s\tFAILED\t%lu\n", fields[0], GetLastError());
        return 1;
    }
    SIZE_T peakBytes = 0;
    DWORD wait;
    // Polled rather than asked once: an ended process has no working set.
    while ((wait = WaitForSingleObject(pi.hProcess, peak ? 5 : 100)) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        if (peak && GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters) &&
            counters.PeakWorkingSetSize > peakBytes)
            peakBytes = counters.PeakWorkingSetSize;
        if (Seconds() - start > limit)
            break;
    }
    const double elapsed = Seconds() - start;
    DWORD code = 259;
    if (wait != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    else
        GetExitCodeProcess(pi.hProcess, &code);
    if (peak)
        printf("%s\t%.6f\t%lu\t%lu\n", fields[0], elapsed, code, static_cast<unsigned long>(peakBytes));
    else
        printf("%s\t%.6f\t%lu\n", fields[0], elapsed, code);
    fflush(stdout);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

static int Plan(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f)
        return 1;
    static char line[65536];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = 0;
        if (*line)
            RunLine(line);
    }
    fclose(f);
    return 0;
}

// Reads the whole file in blocks; the CRC of what was read, or the bytes
// XOR-ed together when crc is false.
static bool ReadBlocks(const char* path, DWORD block, bool crc, unsigned& result, double& bytes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char* buffer = static_cast<unsigned char*>(VirtualAlloc(nullptr, block, MEM_COMMIT, PAGE_READWRITE));
    DWORD got = 0;
    result = 0;
    bytes = 0;
    while (buffer && ReadFile(file, buffer, block, &got, nullptr) && got) {
        if (crc) {
            result = Crc32Update(result, buffer, got);
        } else {
            for (DWORD i = 0; i < got; i += 4096)
                result ^= buffer[i];
        }
        bytes += got;
    }
    if (buffer)
        VirtualFree(buffer, 0, MEM_RELEASE);
    CloseHandle(file);
    return buffer != nullptr;
}

struct RenameInformation {
    BOOL replaceIfExists;
    HANDLE rootDirectory;
    DWORD fileNameLength;
    WCHAR fileName[MAX_PATH];
};

// One file as updater.exe copies it: CREATE_NEW under the new name, the
// data, the time of last writing, then the rename through the handle.
static bool OwnCopy(const char* source, const char* target, const char* kept) {
    typedef BOOL(WINAPI * SetInformation)(HANDLE, int, void*, DWORD);
    static SetInformation set = reinterpret_cast<SetInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    char name[MAX_PATH + 8];
    snprintf(name, sizeof name, "%s.~upd", target);
    HANDLE from = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    HANDLE to = CreateFileA(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    char buffer[32 * 1024];
    DWORD read = 0, wrote = 0;
    bool ok = from != INVALID_HANDLE_VALUE && to != INVALID_HANDLE_VALUE;
    while (ok && ReadFile(from, buffer, sizeof buffer, &read, nullptr) && read)
        ok = WriteFile(to, buffer, read, &wrote, nullptr) && wrote == read;
    FILETIME written;
    ok = ok && GetFileTime(from, nullptr, nullptr, &written) && SetFileTime(to, nullptr, nullptr, &written);
    if (from != INVALID_HANDLE_VALUE)
        CloseHandle(from);
    if (ok && kept)
        ok = MoveFileA(target, kept) != 0;
    RenameInformation rename = {TRUE, nullptr, 0, {}};
    int units = MultiByteToWideChar(CP_ACP, 0, target, -1, rename.fileName, MAX_PATH);
    rename.fileNameLength = static_cast<DWORD>(units - 1) * sizeof(WCHAR);
    ok = ok && set && units > 1 && set(to, 3, &rename, sizeof rename);
    if (to != INVALID_HANDLE_VALUE)
        CloseHandle(to);
    return ok;
}

// How a tree is copied: with CopyFileA, each old file first renamed aside
// and deleted once replaced (keep); as updater.exe writes (own), each old
// file renamed aside first (ownkeep); or the kept files deleted (a second
// walk after ownkeep: the commit comes last).
enum class Way { Copy, Keep, Own, OwnKeep, DropKept };

static bool CopyTree(const char* from, const char* to, Way way) {
    char pattern[MAX_PATH], source[MAX_PATH], target[MAX_PATH], kept[MAX_PATH + 8];
    snprintf(pattern, sizeof pattern, "%s\\*", from);
    if (way != Way::DropKept && !CreateDirectoryA(to, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
            continue;
        snprintf(source, sizeof source, "%s\\%s", from, found.cFileName);
        snprintf(target, sizeof target, "%s\\%s", to, found.cFileName);
        snprintf(kept, sizeof kept, "%s.~upd1", target);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(source, target, way);
        else if (way == Way::Keep)
            ok = MoveFileA(target, kept) && CopyFileA(source, target, FALSE) && DeleteFileA(kept);
        else if (way == Way::Copy)
            ok = CopyFileA(source, target, FALSE) != 0;
        else if (way == Way::DropKept)
            ok = DeleteFileA(kept) != 0;
        else
            ok = OwnCopy(source, target, way == Way::OwnKeep ? kept : nullptr);
    } while (ok && FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

// The platform's share of loading a long list: the same profile reads,
// nothing else.
static int Profile(const char* path) {
    static char names[1 << 20], value[4096];
    static const char* const keys[] = {"MODE", "ARG1", "ARG2"};
    const DWORD length = GetPrivateProfileSectionNamesA(names, sizeof names, path);
    unsigned sections = 0;
    for (const char* name = names; name < names + length && *name; name += strlen(name) + 1) {
        for (const char* key : keys)
            GetPrivateProfileStringA(name, key, "", value, sizeof value, path);
        sections++;
    }
    return sections ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 3 && !strcmp(argv[1], "plan"))
        return Plan(argv[2]);
    if ((argc == 3 || argc == 4) && (!strcmp(argv[1], "read") || !strcmp(argv[1], "crc"))) {
        const DWORD block = (argc == 4 ? strtoul(argv[3], nullptr, 10) : 1024) << 10;
        unsigned sum;
        double bytes;
        return block && ReadBlocks(argv[2], block, !strcmp(argv[1], "crc"), sum, bytes) ? 0 : 1;
    }
    static const struct {
        const char* name;
        Way way;
    } ways[] = {{"copy", Way::Copy}, {"keep", Way::Keep}, {"own", Way::Own}, {"ownkeep", Way::OwnKeep}};
    for (const auto& way : ways)
        if (argc == 4 && !strcmp(argv[1], way.name))
            return CopyTree(argv[2], argv[3], way.way) &&
                   (way.way != Way::OwnKeep || CopyTree(argv[2], argv[3], Way::DropKept)) ? 0 : 1;
    if (argc == 3 && !strcmp(argv[1], "profile"))
        return Profile(argv[2]);
    fprintf(stderr, "usage: winbench plan FILE | read FILE [KIB] | crc FILE KIB | copy FROM TO | keep FROM TO | "
                    "own FROM TO | ownkeep FROM TO | "
                    "profile FILE\n");
    return 2;
}
