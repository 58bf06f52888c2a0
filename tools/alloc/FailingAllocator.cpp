// Test build only (updater_allocfail.exe): allocation number N of the
// process fails, as when the heap is exhausted. The program's own objects
// are linked with --wrap=malloc,calloc,realloc, so every allocation of the
// program passes here. N is read from allocfail.txt beside the program (none:
// nothing fails); the count of allocations made is written to
// allocfail.count when the process exits normally, and the address that
// asked for the failing one to allocfail.where.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __real_realloc(void* block, size_t size);

namespace {

long allocations;
long failAt = -1; // -1: not read yet; 0: nothing fails
// The C runtime's own start (its copy of the arguments) is not the
// program's: counting begins with the static constructors.
bool armed;

// The path of a file beside the program, without allocating.
bool BesideProgram(const char* name, char* path) {
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (!length || !slash || (slash - path) + 1 + strlen(name) >= MAX_PATH)
        return false;
    strcpy(slash + 1, name);
    return true;
}

void ReadFailAt() {
    failAt = 0;
    char path[MAX_PATH], text[32] = {0};
    if (!BesideProgram("allocfail.txt", path))
        return;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    failAt = strtol(text, nullptr, 10);
}

// A line of text in a file beside the program.
void WriteBeside(const char* name, const char* text, int length) {
    char path[MAX_PATH];
    if (!BesideProgram(name, path))
        return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

// Where the failing allocation was asked for, for a run that goes wrong.
void NoteCaller(void* caller) {
    char text[32];
    WriteBeside("allocfail.where", text, snprintf(text, sizeof text, "%p\n", caller));
}

bool FailsNow(void* caller) {
    if (!armed)
        return false;
    if (failAt < 0)
        ReadFailAt();
    if (++allocations != failAt)
        return false;
    NoteCaller(caller);
    return true;
}

struct Arm {
    Arm() { armed = true; }
} arm;

struct CountAtExit {
    ~CountAtExit() {
        char text[32];
        WriteBeside("allocfail.count", text, snprintf(text, sizeof text, "%ld\n", allocations));
    }
} countAtExit;

} // namespace

extern "C" void* __wrap_malloc(size_t size) { return FailsNow(__builtin_return_address(0)) ? nullptr : __real_malloc(size); }
extern "C" void* __wrap_calloc(size_t count, size_t size) {
    return FailsNow(__builtin_return_address(0)) ? nullptr : __real_calloc(count, size);
}
extern "C" void* __wrap_realloc(void* block, size_t size) {
    return FailsNow(__builtin_return_address(0)) ? nullptr : __real_realloc(block, size);
}
