// A gdiplus.dll whose start-up always fails, placed beside a copy of the
// viewer and loaded instead of the system's. It exports every call the
// viewer imports, each declared by the viewer's own header, so that
// Windows would load the viewer against it as Wine does.
#include "app/gdiplus_flat.h"

#define EXPORT extern "C" __declspec(dllexport)
// GdiplusNotInitialized (18); the rest InvalidParameter (2).
EXPORT GpStatus WINAPI GdiplusStartup(ULONG_PTR*, const GdiplusStartupInput*, void*) { return 18; }
EXPORT void WINAPI GdiplusShutdown(ULONG_PTR) {}
EXPORT GpStatus WINAPI GdipLoadImageFromFile(const WCHAR*, void**) { return 2; }
EXPORT GpStatus WINAPI GdipGetImageDimension(void*, float*, float*) { return 2; }
EXPORT GpStatus WINAPI GdipDisposeImage(void*) { return 2; }
EXPORT GpStatus WINAPI GdipGetImageType(void*, int*) { return 2; }
EXPORT GpStatus WINAPI GdipGetImagePixelFormat(void*, INT*) { return 2; }
EXPORT GpStatus WINAPI GdipBitmapLockBits(void*, const GpRect*, UINT, INT, BitmapData*) { return 2; }
EXPORT GpStatus WINAPI GdipBitmapUnlockBits(void*, BitmapData*) { return 2; }
EXPORT GpStatus WINAPI GdipCreateFromHDC(HDC, void**) { return 2; }
EXPORT GpStatus WINAPI GdipDeleteGraphics(void*) { return 2; }
EXPORT GpStatus WINAPI GdipDrawImageRectRect(void*, void*, float, float, float, float, float, float, float, float,
                                             int, void*, void*, void*) {
    return 2;
}
