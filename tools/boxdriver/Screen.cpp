// The icon of a box cannot be read from another process, but its pixels can:
// the box's icon control is compared with the stock icons drawn here.
#include "Box.h"

#include <cstring>

namespace {

const int kIconControl = 1088;
const DWORD kIconWaitMs = 500;

// A top-down 32-bit picture that owns its bitmap and memory DC.
class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, (void**)&bits_, nullptr, 0);
        if (bitmap_) old_ = SelectObject(dc_, bitmap_);
    }
    ~Picture() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool Valid() const { return bitmap_ != nullptr; }
    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    DWORD Pixel(int x, int y) const { return bits_[y * width_ + x] & 0x00FFFFFF; }

    bool CaptureScreen(int left, int top) {
        HDC screen = GetDC(nullptr);
        bool ok = BitBlt(dc_, 0, 0, width_, height_, screen, left, top, SRCCOPY) != 0;
        ReleaseDC(nullptr, screen);
        GdiFlush();
        return ok;
    }

    void Fill(DWORD rgb) {
        for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb;
    }

    bool SameAs(const Picture& other) const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (Pixel(x, y) != other.Pixel(x, y)) return false;
        return true;
    }

    bool SaveBmp(const std::wstring& path) const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD* bits_ = nullptr;
};

bool Picture::SaveBmp(const std::wstring& path) const {
    int rowBytes = (width_ * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = height_;  // bottom-up, as viewers expect
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = rowBytes * height_;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;

    std::string data((const char*)&file, sizeof file);
    data.append((const char*)&header, sizeof header);
    std::string row(rowBytes, '\0');
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            DWORD pixel = Pixel(x, y);
            row[x * 3] = (char)(pixel & 0xFF);
            row[x * 3 + 1] = (char)((pixel >> 8) & 0xFF);
            row[x * 3 + 2] = (char)((pixel >> 16) & 0xFF);
        }
        data += row;
    }
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(out, data.data(), (DWORD)data.size(), &written, nullptr) &&
              written == data.size();
    CloseHandle(out);
    return ok;
}

struct StockIcon {
    const wchar_t* id;
    const char* name;
};

const StockIcon kStockIcons[] = {
    {IDI_HAND, "error"},
    {IDI_ASTERISK, "information"},
    {IDI_EXCLAMATION, "warning"},
    {IDI_QUESTION, "question"},
};

bool LooksLike(const Picture& shot, const StockIcon& stock) {
    Picture drawn(shot.Width(), shot.Height());
    HICON icon = LoadIconW(nullptr, stock.id);
    if (!drawn.Valid() || !icon) return false;
    // The icon's transparent corner shows the box's background.
    drawn.Fill(shot.Pixel(0, 0));
    DrawIconEx(drawn.Dc(), 0, 0, icon, shot.Width(), shot.Height(), 0, nullptr, DI_NORMAL);
    GdiFlush();
    return drawn.SameAs(shot);
}

}  // namespace

const char* IdentifyIcon(HWND box) {
    HWND control = GetDlgItem(box, kIconControl);
    if (!control || !IsWindowVisible(control)) return "none";
    RECT rect;
    GetWindowRect(control, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    // A box without icon keeps a smaller, blank control.
    if (width != GetSystemMetrics(SM_CXICON) || height != GetSystemMetrics(SM_CYICON))
        return "none";

    Picture shot(width, height);
    if (!shot.Valid()) return "none";
    // The box may still be painting when it first shows; poll before saying "none".
    ULONGLONG start = GetTickCount64();
    do {
        GetWindowRect(control, &rect);
        if (shot.CaptureScreen(rect.left, rect.top)) {
            for (const StockIcon& stock : kStockIcons)
                if (LooksLike(shot, stock)) return stock.name;
        }
        Sleep(20);
    } while (GetTickCount64() - start < kIconWaitMs && IsWindow(box));
    return "none";
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    Picture shot(rect.right - rect.left, rect.bottom - rect.top);
    return shot.Valid() && shot.CaptureScreen(rect.left, rect.top) && shot.SaveBmp(path);
}
