#include "Shell.h"

#include <shlobj.h>

#include "Handles.h"
#include "WidePath.h"

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

static const CLSID ShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID ShellLinkInterface = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID PersistFileInterface = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// 0 for a show mode that keeps the link object's default.
static int WindowState(int showMode) {
    switch (showMode) {
    case 1:
        return SW_SHOWNORMAL;
    case 2:
        return SW_SHOWMINNOACTIVE;
    case 3:
        return SW_SHOWMAXIMIZED;
    }
    return 0;
}

static void Describe(IShellLinkA* link, const String& target, const char* arguments,
                     int showMode) {
    link->SetPath(target.Text());
    String folder;
    DirectoryOf(target, folder);
    link->SetWorkingDirectory(folder.Text());
    if (arguments)
        link->SetArguments(arguments);
    if (int state = WindowState(showMode))
        link->SetShowCmd(state);
}

GUARDED bool CreateShortcut(const String& target, const String& shortcutPath, const char* arguments,
                    int showMode) {
    // A path that does not fit fails the conversion and is never saved.
    WCHAR widePath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, shortcutPath.Text(), -1, widePath, MAX_PATH))
        return false;
    ComInterface<IShellLinkA> link;
    if (FAILED(CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER,
                                ShellLinkInterface, link.Fill())) || !link.IsValid())
        return false;
    Describe(link.Get(), target, arguments, showMode);
    ComInterface<IPersistFile> file;
    if (FAILED(link->QueryInterface(PersistFileInterface, file.Fill())) || !file.IsValid())
        return false;
    return SUCCEEDED(file->Save(widePath, TRUE));
}
