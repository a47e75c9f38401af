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
constexpr int ImageTypeBitmap = 1;
// Pixel format bits: the picture carries a palette, an alpha channel, or
// premultiplied alpha.
constexpr INT PixelFormatIndexed = 0x00010000;
constexpr INT PixelFormatAlpha = 0x00040000;
constexpr INT PixelFormatPAlpha = 0x00080000;

GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
GpStatus WINAPI GdipLoadImageFromFile(const WCHAR* file, void** image);
GpStatus WINAPI GdipGetImageDimension(void* image, float* width, float* height);
GpStatus WINAPI GdipDisposeImage(void* image);
GpStatus WINAPI GdipGetImageType(void* image, int* type);
GpStatus WINAPI GdipGetImagePixelFormat(void* image, INT* format);
GpStatus WINAPI GdipCreateFromHDC(HDC dc, void** graphics);
GpStatus WINAPI GdipDeleteGraphics(void* graphics);
GpStatus WINAPI GdipDrawImageRectRect(void* graphics, void* image, float dstX, float dstY, float dstWidth,
                                      float dstHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                                      int srcUnit, void* attributes, void* abortCallback, void* callbackData);
}
