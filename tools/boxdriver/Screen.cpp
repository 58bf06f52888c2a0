// The icon of a box cannot be read from another process, but its pixels can:
// the box's icon control is compared with the stock icons drawn here.
#include "Job.h"

#include <cstring>

namespace {

// A top-down 32-bit picture with its memory DC.
struct Picture {
    int width, height;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    DWORD* bits = nullptr;

    Picture(int w, int h) : width(w), height(h) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB};
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        if (bitmap) SelectObject(dc, bitmap);
    }
    ~Picture() {
        DeleteDC(dc);
        if (bitmap) DeleteObject(bitmap);
    }
    DWORD Pixel(int x, int y) const { return bits[y * width + x] & 0xFFFFFF; }
    bool Grab(int left, int top) {
        HDC screen = GetDC(nullptr);
        bool ok = bitmap && BitBlt(dc, 0, 0, width, height, screen, left, top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        GdiFlush();
        return ok;
    }
};

bool LooksLike(const Picture& shot, const wchar_t* stock) {
    Picture drawn(shot.width, shot.height);
    HICON icon = LoadIconW(nullptr, stock);
    if (!drawn.bitmap || !icon) return false;
    // The icon's transparent corner shows the box's background.
    for (int i = 0; i < shot.width * shot.height; ++i) drawn.bits[i] = shot.Pixel(0, 0);
    DrawIconEx(drawn.dc, 0, 0, icon, shot.width, shot.height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (drawn.Pixel(x, y) != shot.Pixel(x, y)) return false;
    return true;
}

}  // namespace

const char* IdentifyIcon(HWND box) {
    const wchar_t* stocks[] = {IDI_HAND, IDI_ASTERISK, IDI_EXCLAMATION, IDI_QUESTION};
    const char* names[] = {"error", "information", "warning", "question"};
    HWND control = GetDlgItem(box, 1088);
    RECT rect;
    // A box without icon keeps a smaller, blank control.
    if (!control || !IsWindowVisible(control) || !GetWindowRect(control, &rect) ||
        rect.right - rect.left != GetSystemMetrics(SM_CXICON) ||
        rect.bottom - rect.top != GetSystemMetrics(SM_CYICON))
        return "none";
    Picture shot(rect.right - rect.left, rect.bottom - rect.top);
    // The box may still be painting when it first shows; poll before saying "none".
    for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < 500 && IsWindow(box); Sleep(20)) {
        GetWindowRect(control, &rect);
        if (shot.Grab(rect.left, rect.top))
            for (int i = 0; i < 4; ++i)
                if (LooksLike(shot, stocks[i])) return names[i];
    }
    return "none";
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    Picture shot(rect.right - rect.left, rect.bottom - rect.top);
    if (!shot.Grab(rect.left, rect.top)) return false;
    int rowBytes = (shot.width * 3 + 3) & ~3;
    BITMAPINFOHEADER header = {sizeof header, shot.width, shot.height, 1, 24, BI_RGB,
                               static_cast<DWORD>(rowBytes * shot.height)};
    DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
    BITMAPFILEHEADER file = {0x4D42, offset + header.biSizeImage, 0, 0, offset};
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = shot.height - 1; y >= 0; --y) {  // bottom-up, as viewers expect
        std::string row(rowBytes, '\0');
        for (int x = 0; x < shot.width; ++x) memcpy(&row[x * 3], &shot.bits[y * shot.width + x], 3);
        data += row;
    }
    return WriteWholeFile(path, data);
}
