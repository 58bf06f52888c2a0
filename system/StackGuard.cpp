// The stack protector's two symbols, in place of GCC's libssp: libssp
// seeds its guard through CryptoAPI and opens the console to complain,
// which ties the program to ADVAPI32 exports that the first Windows 95
// lacks. Built without the protector itself: the seed changes the guard
// that a protected function would check on its way out.
#include <windows.h>

#include <stdint.h>

extern "C" {

uintptr_t __stack_chk_guard = 0x2F8A5D00u;

// An overrun has destroyed the stack: nothing of the program may run any
// more. The status is the one Windows gives a /GS failure.
__attribute__((noreturn)) void __stack_chk_fail() {
    OutputDebugStringA("updater: stack buffer overrun detected");
    TerminateProcess(GetCurrentProcess(), 0xC0000409u);
    for (;;) {}
}

} // extern "C"

namespace {

// Run before main(), between, never inside, other initialisers: no frame
// that checks the guard is open. The counter, the tick, the identifiers
// and the stack's address (randomised where the system does) differ from
// run to run.
__attribute__((constructor)) void SeedStackGuard() {
    LARGE_INTEGER counter;
    counter.QuadPart = 0;
    QueryPerformanceCounter(&counter);
    uintptr_t seed = static_cast<uintptr_t>(counter.QuadPart) ^ (static_cast<uintptr_t>(counter.QuadPart >> 32) << 7);
    seed ^= static_cast<uintptr_t>(GetTickCount()) << 11;
    seed ^= static_cast<uintptr_t>(GetCurrentProcessId()) << 16 ^ GetCurrentThreadId();
    seed ^= reinterpret_cast<uintptr_t>(&counter);
    // A zero byte at the bottom stops a string copy that runs over the guard.
    __stack_chk_guard ^= seed & ~static_cast<uintptr_t>(0xFF);
}

} // namespace
