#include "Shell.h"

#include <shlobj.h>

#include "FileCalls.h"
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
static const IID WideShellLinkInterface = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
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

// The link object of the run's calls (IShellLinkW, or IShellLinkA on the
// older family), described and saved as `file`.
template <class Link, class Char>
static bool SaveLink(const IID& linkInterface, const Char* target, const Char* folder, const Char* arguments,
                     int showMode, const WCHAR* file) {
    ComInterface<Link> link;
    if (FAILED(CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, linkInterface, link.Fill())) ||
        !link.IsValid())
        return false;
    link->SetPath(target);
    link->SetWorkingDirectory(folder);
    if (arguments)
        link->SetArguments(arguments);
    if (int state = WindowState(showMode))
        link->SetShowCmd(state);
    ComInterface<IPersistFile> saved;
    if (FAILED(link->QueryInterface(PersistFileInterface, saved.Fill())) || !saved.IsValid())
        return false;
    return SUCCEEDED(saved->Save(file, TRUE));
}

bool CreateShortcut(const String& target, const String& shortcutPath, const char* arguments,
                    int showMode) {
    // The link holds its target in MAX_PATH units: a longer one is never
    // saved. The file itself may lie as deep as the file calls reach.
    WidePath wideTarget = Widened(target), path = Widened(shortcutPath), longForm;
    if (wideTarget.Length() >= MAX_PATH || path.IsEmpty()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const WCHAR* file = SystemForm(path, longForm);
    String folder;
    DirectoryOf(target, folder);
    if (!UsesWideCalls())
        return SaveLink<IShellLinkA>(ShellLinkInterface, target.Text(), folder.Text(), arguments, showMode, file);
    WidePath wideArguments = Widened(arguments ? arguments : "");
    return SaveLink<IShellLinkW>(WideShellLinkInterface, wideTarget.Text(), Widened(folder).Text(),
                                 arguments ? wideArguments.Text() : nullptr, showMode, file);
}
