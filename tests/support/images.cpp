// Picture files for the tests, encoded by GDI+ itself.
#undef WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <vector>

#include "support.h"

namespace {

bool EncoderFind(const wchar_t* mime, CLSID* clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size) return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, mime) == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

const wchar_t* MimeOf(PictureFormat format) {
    switch (format) {
    case PictureFormat::Png: return L"image/png";
    case PictureFormat::Bmp: return L"image/bmp";
    case PictureFormat::Jpeg: return L"image/jpeg";
    case PictureFormat::Gif: return L"image/gif";
    case PictureFormat::Tiff: return L"image/tiff";
    }
    return L"image/png";
}

}  // namespace

bool PictureWrite(const std::wstring& path, int width, int height, PictureFormat format,
                  const std::function<uint32_t(int, int)>& colour) {
    CLSID clsid;
    if (!EncoderFind(MimeOf(format), &clsid)) return false;
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data;
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return false;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(data.Scan0) + y * data.Stride);
        for (int x = 0; x < width; ++x) row[x] = colour(x, y);
    }
    bitmap.UnlockBits(&data);
    return bitmap.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

uint32_t PatternColour(int x, int y) {
    // Opaque, and different in every channel from its neighbours.
    return 0xFF000000u | (static_cast<uint32_t>(x * 7 + y * 3) & 0xFF) << 16 |
           (static_cast<uint32_t>(y * 5 + 40) & 0xFF) << 8 | (static_cast<uint32_t>(x * 11 + 200) & 0xFF);
}
