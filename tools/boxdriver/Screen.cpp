// The icon of a box cannot be read from another process, but its pixels can:
// the box's icon control is compared with the stock icons drawn here.
#include "Driver.h"

namespace {

// A top-down 32-bit picture with its memory DC.
struct Picture {
    int width, height;
    HDC dc = CreateCompatibleDC(nullptr);
    DWORD* bits = nullptr;
    HBITMAP bitmap;

    Picture(int w, int h) : width(w), height(h) {
        BITMAPINFO info = {{sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB}};
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        if (bitmap) SelectObject(dc, bitmap);
    }
    ~Picture() {
        DeleteDC(dc);
        if (bitmap) DeleteObject(bitmap);
    }
    bool Grab(const RECT& r) {
        HDC screen = GetDC(nullptr);
        bool ok = bitmap && BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        return GdiFlush(), ok;
    }
    bool Same(const Picture& other) const {
        for (int i = 0; i < width * height; ++i)
            if ((bits[i] ^ other.bits[i]) & 0xFFFFFF) return false;
        return true;
    }
};

bool LooksLike(const Picture& shot, const wchar_t* stock) {
    Picture drawn(shot.width, shot.height);
    HICON icon = LoadIconW(nullptr, stock);
    if (!drawn.bitmap || !icon) return false;
    // The icon's transparent corner shows the box's background.
    for (int i = 0; i < shot.width * shot.height; ++i) drawn.bits[i] = shot.bits[0];
    DrawIconEx(drawn.dc, 0, 0, icon, shot.width, shot.height, 0, nullptr, DI_NORMAL);
    return GdiFlush(), drawn.Same(shot);
}

}  // namespace

const char* IdentifyIcon(HWND box) {
    const wchar_t* stocks[] = {IDI_HAND, IDI_ASTERISK, IDI_EXCLAMATION, IDI_QUESTION};
    const char* names[] = {"error", "information", "warning", "question"};
    HWND control = GetDlgItem(box, 1088);
    RECT r;
    // A box without icon keeps a smaller, blank control.
    if (!control || !IsWindowVisible(control) || !GetWindowRect(control, &r) ||
        r.right - r.left != GetSystemMetrics(SM_CXICON) || r.bottom - r.top != GetSystemMetrics(SM_CYICON))
        return "none";
    Picture shot(r.right - r.left, r.bottom - r.top);
    // The box may still be painting when it first shows; poll before saying "none".
    for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < 500 && IsWindow(box); Sleep(20)) {
        if (!GetWindowRect(control, &r) || !shot.Grab(r)) continue;
        for (int i = 0; i < 4; ++i)
            if (LooksLike(shot, stocks[i])) return names[i];
    }
    return "none";
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    Picture shot(r.right - r.left, r.bottom - r.top);
    if (!shot.Grab(r)) return false;
    // Top-down, 32 bits a pixel: the picture as it is in memory.
    BITMAPINFOHEADER header = {sizeof header, shot.width, -shot.height, 1, 32, BI_RGB};
    DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header, size = shot.width * shot.height * 4;
    BITMAPFILEHEADER file = {0x4D42, offset + size, 0, 0, offset};
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&header), sizeof header);
    data.append(reinterpret_cast<const char*>(shot.bits), size);
    return WriteWholeFile(path, data);
}
