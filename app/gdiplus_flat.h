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
constexpr INT PixelFormat24bppRGB = 0x00021808;
constexpr INT PixelFormat32bppRGB = 0x00022009;
constexpr UINT ImageLockModeRead = 1;

struct GpRect {
    INT X, Y, Width, Height;
};
struct BitmapData {
    UINT Width, Height;
    INT Stride;
    INT PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};

GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
GpStatus WINAPI GdipLoadImageFromFile(const WCHAR* file, void** image);
GpStatus WINAPI GdipGetImageDimension(void* image, float* width, float* height);
GpStatus WINAPI GdipDisposeImage(void* image);
GpStatus WINAPI GdipGetImageType(void* image, int* type);
GpStatus WINAPI GdipGetImagePixelFormat(void* image, INT* format);
GpStatus WINAPI GdipBitmapLockBits(void* bitmap, const GpRect* rect, UINT flags, INT format, BitmapData* data);
GpStatus WINAPI GdipBitmapUnlockBits(void* bitmap, BitmapData* data);
GpStatus WINAPI GdipCreateFromHDC(HDC dc, void** graphics);
GpStatus WINAPI GdipDeleteGraphics(void* graphics);
GpStatus WINAPI GdipDrawImageRectRect(void* graphics, void* image, float dstX, float dstY, float dstWidth,
                                      float dstHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                                      int srcUnit, void* attributes, void* abortCallback, void* callbackData);
}

// Owns a GDI+ object for one scope: released once, on every way out, or
// earlier by reset() where the order of release matters. Not copyable.
template <GpStatus(WINAPI* Release)(void*)>
class GdipOwned {
public:
    GdipOwned() = default;
    ~GdipOwned() { reset(); }
    GdipOwned(const GdipOwned&) = delete;
    GdipOwned& operator=(const GdipOwned&) = delete;
    GdipOwned(GdipOwned&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    GdipOwned& operator=(GdipOwned&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = other.object_;
            other.object_ = nullptr;
        }
        return *this;
    }
    void** out() { return &object_; }
    void* get() const { return object_; }
    void reset() {
        if (object_) Release(object_);
        object_ = nullptr;
    }

private:
    void* object_ = nullptr;
};

using GdipImage = GdipOwned<GdipDisposeImage>;
using GdipGraphics = GdipOwned<GdipDeleteGraphics>;

// The decoded pixels of a bitmap, locked for reading for one scope.
class GdipLockedBits {
public:
    GdipLockedBits(void* bitmap, const GpRect& rect, INT format) : bitmap_(bitmap) {
        if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead, format, &data_) != 0) bitmap_ = nullptr;
    }
    ~GdipLockedBits() {
        if (bitmap_) GdipBitmapUnlockBits(bitmap_, &data_);
    }
    GdipLockedBits(const GdipLockedBits&) = delete;
    GdipLockedBits& operator=(const GdipLockedBits&) = delete;
    explicit operator bool() const { return bitmap_ != nullptr; }
    const BitmapData& data() const { return data_; }

private:
    void* bitmap_;
    BitmapData data_{};
};
