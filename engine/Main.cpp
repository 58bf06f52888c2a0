#include <windows.h>
#include <objbase.h>

#include "StartUp.h"
#include "Run.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLineText, int) {
    CoInitialize(nullptr);
    if (StartUp(commandLineText))
        RunTop();
    ReleaseAllLists();
    CoUninitialize();
    return 0;
}
