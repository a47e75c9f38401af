// Turning a picture file into a graphic bitmap through GDI+.
#include "gdiplus_flat.h"
#include "viewer.h"

int ImageWidth = 0;
int ImageHeight = 0;

namespace {

UINT RoundToPixels(long double value) {
    long long n = RoundHalfEven(value);
    return n < 0 ? 0 : static_cast<UINT>(n);
}

}  // namespace

void LoaderFitSize(float iw, float ih, UINT& width, UINT& height, int stretch) {
    if (width == 0) width = RoundToPixels(iw);
    if (height == 0) height = RoundToPixels(ih);
    if (stretch) return;
    long double ratioX = static_cast<long double>(iw) / width;
    long double ratioY = static_cast<long double>(ih) / height;
    if (ratioX > ratioY) {
        if (width < iw) height = RoundToPixels(ih / ratioX);
    } else {
        if (height < ih) width = RoundToPixels(iw / ratioY);
    }
}

HBITMAP GraphicLoadImageFileToBitmap(const std::wstring& file, LONG background, UINT width, UINT height,
                                     int stretch) {
    ErrorScope errors;
    if (stretch && (width == 0 || height == 0)) return nullptr;
    if (!IsFile(file)) {
        MessageBoxShow(L"[GraphicLoadImageFileToBitmap] called on <" + file + L"> Missing file", L"", 0x12000);
        return nullptr;
    }
    void* image = nullptr;
    GpStatus status = GdipLoadImageFromFile(file.c_str(), &image);
    FpuModeSet();
    if (status != 0) {
        if (image) GdipDisposeImage(image);
        MessageBoxShow(L"[GraphicLoadImageFileToBitmap] [GdipLoadImagefromFile] read error on <" + file + L">", L"",
                       0x12000);
        return nullptr;
    }
    float iw = 0, ih = 0;
    GdipGetImageDimension(image, &iw, &ih);
    FpuModeSet();
    if (iw == 0 || ih == 0) {
        GdipDisposeImage(image);
        return nullptr;
    }
    LoaderFitSize(iw, ih, width, height, stretch);
    HBITMAP bitmap = GraphicBitmapNew(static_cast<int>(width), static_cast<int>(height));
    if (!bitmap) {
        GdipDisposeImage(image);
        // The picture is readable but too large for a device bitmap: say so,
        // rather than leave an empty window and no word.
        MessageBoxShow(L"[GraphicLoadImageFileToBitmap] picture too large to show (" + std::to_wstring(width) +
                           L" x " + std::to_wstring(height) + L") <" + file + L">",
                       L"", 0x12000);
        return nullptr;
    }
    GraphicAttach(bitmap, 0, FALSE);
    GraphicClear(background, 0);
    HDC dc = GraphicGetDC();
    void* graphics = nullptr;
    GdipCreateFromHDC(dc, &graphics);
    GpStatus drawn = GdipDrawImageRectRect(graphics, image, 0, 0, static_cast<float>(width),
                                           static_cast<float>(height), 0, 0, iw, ih, UnitPixel, nullptr, nullptr,
                                           nullptr);
    FpuModeSet();
    GdipDisposeImage(image);
    if (graphics) GdipDeleteGraphics(graphics);
    HBITMAP result = drawn == 0 ? bitmap : nullptr;
    if (!result) GraphicBitmapEnd();
    GraphicDetach();
    return result;
}

HBITMAP LoadImageAsBitmap(const std::wstring& path) {
    ErrorScope errors;
    HBITMAP first = GraphicLoadImageFileToBitmap(path, 0, 0, 0, 0);
    GraphicAttach(first, 0, FALSE);
    GraphicCanvas canvas = GraphicGetCanvas();
    ImageWidth = static_cast<int>(RoundHalfEven(canvas.width));
    ImageHeight = static_cast<int>(RoundHalfEven(canvas.height));
    GraphicDetach();
    HBITMAP second = GraphicBitmapNew(ImageWidth, ImageHeight);
    GraphicAttach(second, 0, FALSE);
    GraphicCopy(first, 0, 0xCC0020);
    GraphicDetach();
    GraphicAttach(first, 0, FALSE);
    GraphicBitmapEnd();
    return second;
}

int FileExists(const std::wstring& path) {
    ErrorScope errors;
    size_t begin = path.find_first_not_of(L' ');
    std::wstring trimmed = begin == std::wstring::npos ? std::wstring() : path.substr(begin, path.find_last_not_of(L' ') - begin + 1);
    GetAttributes(trimmed);
    return ErrorCode() == 0 ? -1 : 0;
}

std::wstring FileNameOfPath(const std::wstring& path) {
    ErrorScope errors;
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
