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

static bool CopyTree(const char* from, const char* to, bool keep) {
    char pattern[MAX_PATH], source[MAX_PATH], target[MAX_PATH], kept[MAX_PATH + 8];
    snprintf(pattern, sizeof pattern, "%s\\*", from);
    if (!CreateDirectoryA(to, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
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
            ok = CopyTree(source, target, keep);
        else if (keep)
            ok = MoveFileA(target, kept) && CopyFileA(source, target, FALSE) && DeleteFileA(kept);
        else
            ok = CopyFileA(source, target, FALSE) != 0;
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
    if (argc == 4 && (!strcmp(argv[1], "copy") || !strcmp(argv[1], "keep")))
        return CopyTree(argv[2], argv[3], !strcmp(argv[1], "keep")) ? 0 : 1;
    if (argc == 3 && !strcmp(argv[1], "profile"))
        return Profile(argv[2]);
    fprintf(stderr, "usage: winbench plan FILE | read FILE [KIB] | crc FILE KIB | copy FROM TO | keep FROM TO | "
                    "profile FILE\n");
    return 2;
}
