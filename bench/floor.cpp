// The floor for the viewer's time to picture: the least a program can do
// to show a picture with GDI+ at native size. Load, draw into a compatible
// bitmap, show a plain window sized to it, blit on WM_PAINT. A click ends it.
#include <windows.h>

#include <string>

#include "app/gdiplus_flat.h"

namespace {
HDC canvas = nullptr;
int width = 0, height = 0;

// The command tail after the program name, quotes removed: no shell32 and
// its start-up, which the viewer does not pay either.
std::wstring PathArgument() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {}
        if (*p) ++p;
    } else {
        while (*p > L' ') ++p;
    }
    while (*p == L' ') ++p;
    std::wstring path;
    for (; *p; ++p)
        if (*p != L'"') path.push_back(*p);
    return path;
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        BitBlt(dc, 0, 0, width, height, canvas, 0, 0, SRCCOPY);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(w, m, wp, lp);
    }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::wstring path = PathArgument();
    if (path.empty()) return 1;
    ULONG_PTR token = 0;
    GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    if (GdiplusStartup(&token, &input, nullptr) != 0) return 2;
    void* image = nullptr;
    if (GdipLoadImageFromFile(path.c_str(), &image) != 0) return 3;
    float iw = 0, ih = 0;
    GdipGetImageDimension(image, &iw, &ih);
    width = static_cast<int>(iw);
    height = static_cast<int>(ih);
    HDC screen = GetDC(nullptr);
    canvas = CreateCompatibleDC(screen);
    SelectObject(canvas, CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    void* graphics = nullptr;
    GdipCreateFromHDC(canvas, &graphics);
    GdipDrawImageRectRect(graphics, image, 0, 0, iw, ih, 0, 0, iw, ih, UnitPixel, nullptr, nullptr, nullptr);
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(image);

    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = L"Floor";
    RegisterClassW(&wc);
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPED | WS_CAPTION, FALSE);
    CreateWindowW(L"Floor", L"floor", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 10, 10, r.right - r.left,
                  r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    GdiplusShutdown(token);
    return 0;
}
