// Picture files for the tests, encoded by GDI+ itself.
#undef WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <string>
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
    auto* found = std::find_if(codecs, codecs + count, [mime](auto& c) { return wcscmp(c.MimeType, mime) == 0; });
    if (found == codecs + count) return false;
    *clsid = found->Clsid;
    return true;
}

// By PictureFormat: Png, Bmp, Jpeg, Gif, Tiff.
const wchar_t* const Mimes[] = {L"image/png", L"image/bmp", L"image/jpeg", L"image/gif", L"image/tiff"};

// GIF through GDI+ does not round-trip under Wine, so GIFs are written
// here: one frame, a global palette, and LZW data made of literal codes
// only (a clear code every 250 pixels keeps every code 9 bits wide). All
// pixels of alpha 0 share the one transparent entry.
bool GifWrite(const std::wstring& path, int width, int height, const std::function<uint32_t(int, int)>& colour) {
    const uint32_t clear = 0x1000000;
    std::vector<uint32_t> palette;
    std::vector<BYTE> indices;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y) >> 24 ? colour(x, y) & 0xFFFFFF : clear;
            size_t i = std::find(palette.begin(), palette.end(), c) - palette.begin();
            if (i == palette.size()) {
                if (palette.size() == 256) return false;
                palette.push_back(c);
            }
            indices.push_back(static_cast<BYTE>(i));
        }
    }
    palette.resize(256);
    std::string out = "GIF89a" + BytesLittle16(static_cast<uint16_t>(width)) +
                      BytesLittle16(static_cast<uint16_t>(height)) + std::string("\xF7\x00\x00", 3);
    for (uint32_t c : palette) out += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
    size_t transparent = std::find(palette.begin(), palette.end(), clear) - palette.begin();
    if (transparent < 256) out += std::string("\x21\xF9\x04\x01\0\0", 6) + char(transparent) + '\0';
    out += ',';
    out += BytesLittle32(0) + BytesLittle16(static_cast<uint16_t>(width)) +
           BytesLittle16(static_cast<uint16_t>(height)) + std::string("\0\x08", 2);  // minimum code size 8
    std::string data;
    uint32_t bits = 0, count = 0;
    auto code = [&](uint32_t c) {
        for (bits |= c << count, count += 9; count >= 8; bits >>= 8, count -= 8) data += static_cast<char>(bits);
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 250 == 0) code(256);  // clear
        code(indices[i]);
    }
    code(257);  // end
    if (count) data += static_cast<char>(bits);
    for (size_t at = 0; at < data.size(); at += 255)
        out += static_cast<char>(data.substr(at, 255).size()) + data.substr(at, 255);
    return FileWriteBytes(path, out + std::string("\0;", 2));
}

}  // namespace

bool PictureWrite(const std::wstring& path, int width, int height, PictureFormat format,
                  const std::function<uint32_t(int, int)>& colour) {
    if (format == PictureFormat::Gif) return GifWrite(path, width, height, colour);
    if (format == PictureFormat::Bmp32) {
        std::string bmp = BmpHeaders(width, height, 32);
        for (int y = height - 1; y >= 0; --y)
            for (int x = 0; x < width; ++x) bmp += BytesLittle32(colour(x, y) & 0xFFFFFF);
        return FileWriteBytes(path, bmp);
    }
    CLSID clsid;
    if (!EncoderFind(Mimes[static_cast<int>(format)], &clsid)) return false;
    std::vector<uint32_t> argb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) argb.push_back(colour(x, y));
    Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(argb.data()));
    return bitmap.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

uint32_t PatternColour(int x, int y) {
    // Opaque, and different in every channel from its neighbours.
    return 0xFF000000u | (static_cast<uint32_t>(x * 7 + y * 3) & 0xFF) << 16 |
           (static_cast<uint32_t>(y * 5 + 40) & 0xFF) << 8 | (static_cast<uint32_t>(x * 11 + 200) & 0xFF);
}

bool PictureDimensions(const std::wstring& path, UINT* width, UINT* height) {
    Gdiplus::Image image(path.c_str());
    if (image.GetLastStatus() != Gdiplus::Ok) return false;
    *width = image.GetWidth();
    *height = image.GetHeight();
    return true;
}

Pixels PictureRendered(const std::wstring& path, int* width, int* height, int drawWidth, int drawHeight,
                       COLORREF background) {
    Gdiplus::Image image(path.c_str());
    if (image.GetLastStatus() != Gdiplus::Ok) return {};
    Gdiplus::SizeF own;  // as the loader reads it: GdipGetImageDimension
    image.GetPhysicalDimension(&own);
    int w = drawWidth ? drawWidth : static_cast<int>(image.GetWidth());
    int h = drawHeight ? drawHeight : static_cast<int>(image.GetHeight());
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    RECT all{0, 0, w, h};
    SetDCBrushColor(mem, background);
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    {
        Gdiplus::Graphics graphics(mem);
        graphics.DrawImage(&image, Gdiplus::RectF(0, 0, static_cast<float>(w), static_cast<float>(h)), 0, 0,
                           own.Width, own.Height, Gdiplus::UnitPixel);
    }
    Pixels p = DcPixels(mem, 0, 0, w, h);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    *width = w;
    *height = h;
    return p;
}
