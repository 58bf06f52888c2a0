#include "Shell.h"

#include <shlobj.h>

bool IsWindowsNT() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool GetSpecialFolderPath(HWND owner, String& target, int folderId) {
    LPITEMIDLIST itemList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, folderId, &itemList)) || !itemList)
        return false;
    bool found = target.AllocBuffer(MAX_PATH) && SHGetPathFromIDListA(itemList, target.Text());
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(itemList);
        allocator->Release();
    }
    return found;
}
