// A gdiplus.dll whose start-up always fails, placed beside a copy of the
// viewer and loaded instead of the system's with WINEDLLOVERRIDES.
#include <windows.h>

extern "C" {
__declspec(dllexport) int WINAPI GdiplusStartup(ULONG_PTR*, const void*, void*) { return 18; }  // not initialised
__declspec(dllexport) void WINAPI GdiplusShutdown(ULONG_PTR) {}
__declspec(dllexport) int WINAPI GdipLoadImageFromFile(const WCHAR*, void**) { return 2; }
__declspec(dllexport) int WINAPI GdipGetImageDimension(void*, float*, float*) { return 2; }
__declspec(dllexport) int WINAPI GdipDisposeImage(void*) { return 2; }
__declspec(dllexport) int WINAPI GdipCreateFromHDC(HDC, void**) { return 2; }
__declspec(dllexport) int WINAPI GdipDeleteGraphics(void*) { return 2; }
__declspec(dllexport) int WINAPI GdipDrawImageRectRect(void*, void*, float, float, float, float, float, float, float,
                                                       float, int, void*, void*, void*) {
    return 2;
}
}
