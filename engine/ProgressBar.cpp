#include "ProgressBar.h"

#include "resources/ProgressDialog.h"

namespace {

// The position, 0 to BarRange, is kept in the window's own extra bytes.
LRESULT CALLBACK BarProcedure(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    LONG position = GetWindowLongA(bar, 0);
    if (message == BarGetPosition)
        return position;
    if (message == BarSetPosition) {
        SetWindowLongA(bar, 0, static_cast<LONG>(wParam));
        if (position != static_cast<LONG>(wParam))
            InvalidateRect(bar, nullptr, FALSE);
        return position;
    }
    if (message != WM_PAINT)
        return DefWindowProcA(bar, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT rest;
    GetClientRect(bar, &rest);
    DrawEdge(dc, &rest, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    RECT done = rest;
    done.right = rest.left + MulDiv(rest.right - rest.left, position, BarRange);
    rest.left = done.right;
    FillRect(dc, &done, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    FillRect(dc, &rest, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EndPaint(bar, &paint);
    return 0;
}

} // namespace

bool RegisterProgressBar(HINSTANCE instance) {
    WNDCLASSA bar = {};
    bar.lpfnWndProc = BarProcedure;
    bar.cbWndExtra = sizeof(LONG);
    bar.hInstance = instance;
    bar.lpszClassName = PROGRESS_BAR_CLASS;
    return RegisterClassA(&bar) != 0;
}
