// Turning a picture file into a graphic bitmap through GDI+.
#include <algorithm>

#include "gdiplus_flat.h"
#include "viewer.h"

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

void TooLargeBoxShow(UINT width, UINT height, const std::wstring& file) {
    MessageBoxShow(L"[GraphicLoadImageFileToBitmap] picture too large to show (" + std::to_wstring(width) + L" x " +
                       std::to_wstring(height) + L") <" + file + L">",
                   L"", LoaderBoxStyle);
}

namespace {

// Whether drawing the picture at its own size sets every pixel of the
// bitmap, so that clearing it first could never be seen: a raster picture
// without alpha or palette (a palette may hold a transparent entry).
bool DrawCoversAll(void* image, float iw, float ih, UINT width, UINT height) {
    if (width != RoundToPixels(iw) || height != RoundToPixels(ih)) return false;
    if (static_cast<long double>(width) != iw || static_cast<long double>(height) != ih) return false;
    int type = 0;
    INT format = 0;
    if (GdipGetImageType(image, &type) != 0 || type != ImageTypeBitmap) return false;
    if (GdipGetImagePixelFormat(image, &format) != 0) return false;
    return !(format & (PixelFormatIndexed | PixelFormatAlpha | PixelFormatPAlpha));
}

// Rows copied in one call: GDI converts the source to the bitmap's format
// in a buffer of the call's size, so a whole picture would cost a second
// full-size pass, and at 200 megapixels more address space than is left.
constexpr long long CopyBandBytes = 256 * 1024;

enum class Copy { NotTried, Done, Failed };

// Copies the pixels of a picture that DrawCoversAll accepted into the DC's
// bitmap, where they are 24 or 32 bits of plain RGB: the pixels that drawing
// at its own size gives, without a pass through a second DC. Drawing goes
// through such a DC, and GDI+ under Wine reports success when it could not
// make it, leaving a blank picture; here every failure is seen. NotTried,
// with nothing written, when this picture cannot be copied so; Failed when
// a band could not be written whole, so that rows are missing.
Copy CopyPixels(void* image, HDC dc, UINT width, UINT height) {
    INT format = 0;
    if (GdipGetImagePixelFormat(image, &format) != 0) return Copy::NotTried;
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppRGB) return Copy::NotTried;
    GdipLockedBits locked(image, GpRect{0, 0, static_cast<INT>(width), static_cast<INT>(height)}, format);
    if (!locked) return Copy::NotTried;
    const BitmapData& data = locked.data();
    WORD bits = format == PixelFormat24bppRGB ? 24 : 32;
    long long rowBytes = (static_cast<long long>(width) * bits + 31) / 32 * 4;  // a DIB row, 4-byte aligned
    if (data.Stride != rowBytes || !data.Scan0) return Copy::NotTried;
    UINT band = static_cast<UINT>(std::max(1LL, CopyBandBytes / rowBytes));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    const BYTE* first = static_cast<const BYTE*>(data.Scan0);
    UINT lines = 0;
    while (lines < height) {
        UINT n = std::min(band, height - lines);
        info.bmiHeader.biHeight = -static_cast<LONG>(n);  // top row first, as GDI+ gives it
        int done = SetDIBitsToDevice(dc, 0, static_cast<int>(lines), width, n, 0, 0, 0, n, first + lines * rowBytes,
                                     &info, DIB_RGB_COLORS);
        if (done != static_cast<int>(n)) break;
        lines += n;
    }
    return lines == height ? Copy::Done : Copy::Failed;
}

// Draws the picture through GDI+ at the bitmap's size; whether GDI+ says
// it drew. A GdipCreateFromHDC that fails leaves no graphics object, and
// the draw on none then fails: its status says it for both.
bool PictureDraw(void* image, HDC dc, float iw, float ih, UINT width, UINT height) {
    GdipGraphics graphics;
    GdipCreateFromHDC(dc, graphics.out());
    return GdipDrawImageRectRect(graphics.get(), image, 0, 0, static_cast<float>(width), static_cast<float>(height),
                                 0, 0, iw, ih, UnitPixel, nullptr, nullptr, nullptr) == 0;
}

// What loading a picture file came to. The decoded picture is no part of
// it: PictureLoad disposes of it before the outcome leaves.
struct LoadOutcome {
    enum Kind {
        Shown,       // the picture is in `bitmap`
        Silent,      // no picture and no word: stretch without both sizes, or a picture of no size
        Missing,     // names no file: nothing there, a folder, a wildcard
        Unreadable,  // GDI+ cannot read it
        TooLarge,    // read, but no bitmap of `width` x `height` could be made or drawn
    } kind;
    // The new bitmap, still the drawing target: the picture when Shown;
    // when TooLarge, the one that could not be drawn, or null when none
    // could be made.
    HBITMAP bitmap = nullptr;
    UINT width = 0, height = 0;
};

// Decodes the file and draws it into a new graphic bitmap. The decoded
// picture belongs to this scope alone: it is disposed of on every way out,
// and the caller, which shows the boxes, never holds it.
LoadOutcome PictureLoad(const std::wstring& file, LONG background, UINT width, UINT height, int stretch) {
    if (stretch && (width == 0 || height == 0)) return {LoadOutcome::Silent};
    if (!IsFile(file)) return {LoadOutcome::Missing};
    GdipImage image;
    GpStatus status = GdipLoadImageFromFile(file.c_str(), image.out());
    FpuModeSet();
    if (status != 0) return {LoadOutcome::Unreadable};
    float iw = 0, ih = 0;
    GdipGetImageDimension(image.get(), &iw, &ih);
    FpuModeSet();
    if (iw == 0 || ih == 0) return {LoadOutcome::Silent};
    LoaderFitSize(iw, ih, width, height, stretch);
    HBITMAP bitmap = GraphicBitmapNew(static_cast<int>(width), static_cast<int>(height));
    // The picture is readable but too large for a device bitmap: say so,
    // rather than leave an empty window and no word.
    if (!bitmap) return {LoadOutcome::TooLarge, nullptr, width, height};
    bool covered = DrawCoversAll(image.get(), iw, ih, width, height);
    FpuModeSet();
    GraphicAttach(bitmap, 0, FALSE);
    // A full-size pass that nobody could see is skipped: an opaque picture
    // drawn at its own size overwrites every pixel of the clear.
    if (!covered) GraphicClear(background, 0);
    HDC dc = GraphicGetDC();
    Copy copy = covered ? CopyPixels(image.get(), dc, width, height) : Copy::NotTried;
    bool drawn = copy == Copy::Done;
    // A failed copy is not followed by a draw: the draw needs more memory
    // than the copy, and under Wine may say it drew when it did not, which
    // would show a picture with rows never written.
    if (copy == Copy::NotTried) drawn = PictureDraw(image.get(), dc, iw, ih, width, height);
    FpuModeSet();
    // The picture was read and its bitmap made, so what failed is the
    // memory or GDI objects that drawing so large a picture needs.
    return {drawn ? LoadOutcome::Shown : LoadOutcome::TooLarge, bitmap, width, height};
}

}  // namespace

HBITMAP GraphicLoadImageFileToBitmap(const std::wstring& file, LONG background, UINT width, UINT height,
                                     int stretch) {
    ErrorScope errors;
    // The boxes come only after PictureLoad has returned, and so after the
    // decoded picture is gone: a box needs memory of its own, which a large
    // picture may have taken.
    LoadOutcome outcome = PictureLoad(file, background, width, height, stretch);
    if (outcome.bitmap) {
        if (outcome.kind != LoadOutcome::Shown) GraphicBitmapEnd();  // its memory back before the box too
        GraphicDetach();
    }
    switch (outcome.kind) {
    case LoadOutcome::Shown:
        return outcome.bitmap;
    case LoadOutcome::Silent:
        break;
    case LoadOutcome::Missing:
        MessageBoxShow(L"[GraphicLoadImageFileToBitmap] called on <" + file + L"> Missing file", L"",
                       LoaderBoxStyle);
        break;
    case LoadOutcome::Unreadable:
        MessageBoxShow(L"[GraphicLoadImageFileToBitmap] [GdipLoadImagefromFile] read error on <" + file + L">", L"",
                       LoaderBoxStyle);
        break;
    case LoadOutcome::TooLarge:
        TooLargeBoxShow(outcome.width, outcome.height, file);
        break;
    }
    return nullptr;
}

HBITMAP LoadImageAsBitmap(const std::wstring& path) {
    ErrorScope errors;
    HBITMAP picture = GraphicLoadImageFileToBitmap(path, 0, 0, 0, 0);
    GraphicAttach(picture, 0, FALSE);
    GraphicCanvas canvas = GraphicGetCanvas();
    ImageWidth = static_cast<int>(RoundHalfEven(canvas.width));
    ImageHeight = static_cast<int>(RoundHalfEven(canvas.height));
    GraphicDetach();
    // The loader's bitmap is handed on as it is: a second full-size bitmap
    // and a copy into it would leave the same one record and pixels behind.
    if (picture) return picture;
    // Nothing loaded: the empty picture that a bitmap of 0 x 0 gives.
    return GraphicBitmapNew(ImageWidth, ImageHeight);
}

int FileExists(const std::wstring& path) {
    ErrorScope errors;
    size_t begin = path.find_first_not_of(L' ');
    std::wstring trimmed =
        begin == std::wstring::npos ? std::wstring() : path.substr(begin, path.find_last_not_of(L' ') - begin + 1);
    GetAttributes(trimmed);
    return ErrorCode() == 0 ? -1 : 0;
}

std::wstring FileNameOfPath(const std::wstring& path) {
    ErrorScope errors;
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
