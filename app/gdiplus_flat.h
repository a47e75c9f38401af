// The few GDI+ flat-API entries the viewer calls (gdiplus.dll).
#pragma once

#include <windows.h>

extern "C" {

struct GdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

typedef int GpStatus;  // 0 is Ok
constexpr int UnitPixel = 2;

GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
GpStatus WINAPI GdipLoadImageFromFile(const WCHAR* file, void** image);
GpStatus WINAPI GdipGetImageDimension(void* image, float* width, float* height);
GpStatus WINAPI GdipDisposeImage(void* image);
GpStatus WINAPI GdipCreateFromHDC(HDC dc, void** graphics);
GpStatus WINAPI GdipDeleteGraphics(void* graphics);
GpStatus WINAPI GdipDrawImageRectRect(void* graphics, void* image, float dstX, float dstY, float dstWidth,
                                      float dstHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                                      int srcUnit, void* attributes, void* abortCallback, void* callbackData);
}
