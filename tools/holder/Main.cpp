// Keeps the clipboard open while a test runs the program:
//   holder.exe clipboard <ready> <stop>
// Creates <ready> once it holds, lets go when <stop> exists (or after 60 s).
#include <windows.h>

static bool Touch(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

static void WaitForStop(const wchar_t* stop) {
    for (int i = 0; i < 6000 && GetFileAttributesW(stop) == INVALID_FILE_ATTRIBUTES; i++)
        Sleep(10);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 || lstrcmpW(argv[1], L"clipboard") != 0)
        return 1;
    // Wine lets a second opener without a window in while the first one
    // without a window holds it; a window makes the hold real.
    HWND window = CreateWindowW(L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
    if (!window || !OpenClipboard(window))
        return 2;
    if (!Touch(argv[2]))
        return 3;
    WaitForStop(argv[3]);
    CloseClipboard();
    DestroyWindow(window);
    return 0;
}
