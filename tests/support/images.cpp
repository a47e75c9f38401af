// Picture files for the tests, encoded by GDI+ itself.
#undef WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog/records/scoped_gdi.h"
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

// The picture as indices into a palette of at most 256 colours, in which
// all pixels of alpha 0 share the one entry `Clear`; false past 256.
constexpr uint32_t Clear = 0x1000000;
bool Indexed(int width, int height, const std::function<uint32_t(int, int)>& colour, std::vector<uint32_t>& palette,
             std::string& indices) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y) >> 24 ? colour(x, y) & 0xFFFFFF : Clear;
            size_t i = std::find(palette.begin(), palette.end(), c) - palette.begin();
            if (i == palette.size()) {
                if (palette.size() == 256) return false;
                palette.push_back(c);
            }
            indices += static_cast<char>(i);
        }
    }
    return true;
}

// GIF through GDI+ does not round-trip under Wine, so GIFs are written
// here: one frame, a global palette, and LZW data made of literal codes
// only (a clear code every 250 pixels keeps every code 9 bits wide). All
// pixels of alpha 0 share the one transparent entry.
bool GifWrite(const std::wstring& path, int width, int height, const std::function<uint32_t(int, int)>& colour) {
    std::vector<uint32_t> palette;
    std::string indices;
    if (!Indexed(width, height, colour, palette, indices)) return false;
    palette.resize(256);
    std::string out = "GIF89a" + BytesLittle16(static_cast<uint16_t>(width)) +
                      BytesLittle16(static_cast<uint16_t>(height)) + std::string("\xF7\x00\x00", 3);
    for (uint32_t c : palette) out += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
    size_t transparent = std::find(palette.begin(), palette.end(), Clear) - palette.begin();
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
        code(static_cast<BYTE>(indices[i]));
    }
    code(257);  // end
    if (count) data += static_cast<char>(bits);
    for (size_t at = 0; at < data.size(); at += 255)
        out += static_cast<char>(data.substr(at, 255).size()) + data.substr(at, 255);
    return FileWriteBytes(path, out + std::string("\0;", 2));
}

// A palette PNG whose transparent entry is marked in tRNS, written by hand
// (GDI+ encodes 32 bits): its rows unfiltered, in one stored deflate block.
bool PngPaletteWrite(const std::wstring& path, int width, int height,
                     const std::function<uint32_t(int, int)>& colour) {
    std::vector<uint32_t> palette;
    std::string indices, rows, plte, trns;
    if (!Indexed(width, height, colour, palette, indices)) return false;
    for (uint32_t c : palette) {
        plte += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
        trns += c == Clear ? '\0' : '\xFF';
    }
    for (int y = 0; y < height; ++y) rows += '\0' + indices.substr(static_cast<size_t>(y) * width, width);
    if (rows.size() > 65535) return false;
    uint32_t a = 1, b = 0;  // Adler-32
    for (unsigned char c : rows) a = (a + c) % 65521, b = (b + a) % 65521;
    auto n = static_cast<uint16_t>(rows.size());
    std::string data = "\x78\x01\x01" + BytesLittle16(n) + BytesLittle16(static_cast<uint16_t>(~n)) + rows;
    std::string header = BytesBig32(static_cast<uint32_t>(width)) + BytesBig32(static_cast<uint32_t>(height)) +
                         std::string("\x08\x03\0\0\0", 5);
    return FileWriteBytes(path, "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + PngChunk("PLTE", plte) +
                                    PngChunk("tRNS", trns) + PngChunk("IDAT", data + BytesBig32(b << 16 | a)) +
                                    PngChunk("IEND", ""));
}

}  // namespace

std::string PngChunk(const std::string& type, const std::string& data) {
    uint32_t crc = ~0u;
    for (unsigned char c : type + data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return BytesBig32(static_cast<uint32_t>(data.size())) + type + data + BytesBig32(~crc);
}

bool PictureWrite(const std::wstring& path, int width, int height, PictureFormat format,
                  const std::function<uint32_t(int, int)>& colour) {
    if (format == PictureFormat::Gif) return GifWrite(path, width, height, colour);
    if (format == PictureFormat::PngPalette) return PngPaletteWrite(path, width, height, colour);
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
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC mem(CreateCompatibleDC(screen.get()));
    ScopedBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    ScopedSelection drawn(mem.get(), bitmap.get());
    RECT all{0, 0, w, h};
    SetDCBrushColor(mem.get(), background);
    FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    {
        Gdiplus::Graphics graphics(mem.get());
        graphics.DrawImage(&image, Gdiplus::RectF(0, 0, static_cast<float>(w), static_cast<float>(h)), 0, 0,
                           own.Width, own.Height, Gdiplus::UnitPixel);
    }
    Pixels p = DcPixels(mem.get(), 0, 0, w, h);
    *width = w;
    *height = h;
    return p;
}
