// Helpers and names shared by the test programs: waiting, message-box
// catcher, window geometry, pixel reading, GDI object counting, message logs
// and picture files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <tuple>  // with <utility>: whole records compared at once
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/viewer.h"  // the viewer's control id and window styles

// ---- Waiting -------------------------------------------------------------

// Pumps the thread's messages and asks `done` every `stepMs` until it
// holds (true) or `timeoutMs` passes (false).
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD stepMs = 1);
void PumpFor(DWORD ms);
// Whether Wine runs this: its ntdll alone exports wine_get_version.
bool UnderWine();

// Ends this test program, naming `what`, when a step has run `ms`: a hang
// (a lock spun on, a loop that never ends) costs that, not the run's limit.
class HangWatchdog {
public:
    HangWatchdog(DWORD ms, std::string what);
    ~HangWatchdog();
    HangWatchdog(const HangWatchdog&) = delete;
    HangWatchdog& operator=(const HangWatchdog&) = delete;

private:
    static void CALLBACK Expired(void* self, BOOLEAN);
    DWORD ms_;
    std::string what_;
    HANDLE timer_ = nullptr;
};

// A window's text, asked for with WM_GETTEXT: it reads another process's
// windows too.
std::wstring WindowText(HWND window);

// ---- Names ---------------------------------------------------------------

// A wide text in UTF-8, for failure messages.
std::string Narrow(const std::wstring& s);

// Message names and record flags by name, so that a failure reads; a
// number when not listed.
std::string MessageName(UINT m);
std::string FlagNames(DWORD flags);

// Sizes, points and rectangles compare whole and print as numbers.
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
inline void PrintTo(const SIZE& s, std::ostream* os) { *os << s.cx << " x " << s.cy; }
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline void PrintTo(const POINT& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b); }
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

// ---- Window geometry -----------------------------------------------------

// A window's rectangle in its parent's client area (on the screen for a
// top-level window), its top-left corner, its outer and its client size.
RECT RectInParent(HWND w);
inline POINT TopLeft(HWND w) { return {RectInParent(w).left, RectInParent(w).top}; }
SIZE OuterSize(HWND w);
SIZE ClientSize(HWND w);

// ---- Message boxes -------------------------------------------------------

struct BoxSeen {
    std::wstring caption;
    std::wstring text;
    DWORD style;  // the MB_* bits that can be read back: MessageBoxStyleReadable
    bool hadOwner;
    int recordsAlive = 0;  // this process's records while the box showed (the in-process catcher)
};

// What a box shows of its MB_* style: the buttons, whether it has an icon
// (any icon reads as MB_ICONMASK) and MB_TASKMODAL, seen as the other
// windows of the box's thread being disabled. MB_SETFOREGROUND leaves no mark.
constexpr DWORD MessageBoxStyleReadable = MB_TYPEMASK | MB_ICONMASK | MB_TASKMODAL;
DWORD MessageBoxStyleOf(HWND box);

// While alive, every message box the thread opens is read and closed with
// OK from a thread-local CBT hook, so modal code runs through.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    const std::vector<BoxSeen>& boxes() const;
};

// Closes any box the thread opens outside a catcher, as a test failure,
// so that a stray box cannot hang a test program.
void MessageBoxGuardInstall();

// Whether a window is a message box (not a dialog with the viewer's
// control), and its caption and message text, in this process or another.
bool MessageBoxIs(HWND window);
BoxSeen MessageBoxRead(HWND box);

// The texts of the viewer's boxes, as a user reads them, and the title of
// every box that has none of its own.
inline const std::wstring DefaultBoxTitle = L"Brightloom";
inline const std::wstring MissingFilePrefix = L"[GraphicLoadImageFileToBitmap] called on <";
inline const std::wstring ReadErrorPrefix =
    L"[GraphicLoadImageFileToBitmap] [GdipLoadImagefromFile] read error on <";
inline const std::wstring TooLargePrefix = L"[GraphicLoadImageFileToBitmap] picture too large to show (";
inline std::wstring MissingFileText(const std::wstring& file) {
    return MissingFilePrefix + file + L"> Missing file";
}
inline std::wstring ReadErrorText(const std::wstring& file) { return ReadErrorPrefix + file + L">"; }
inline std::wstring TooLargeText(UINT width, UINT height, const std::wstring& file) {
    return TooLargePrefix + std::to_wstring(width) + L" x " + std::to_wstring(height) + L") <" + file + L">";
}

// ---- Pixels --------------------------------------------------------------

// 0x00RRGGBB values, row by row from the top.
using Pixels = std::vector<uint32_t>;
Pixels DcPixels(HDC dc, int x, int y, int width, int height);
// What a window of this process shows, read through its own DC (the
// screen DC may lag behind Wine's window surface); the screen's for none.
Pixels WindowPixels(HWND window, int x, int y, int width, int height);
uint32_t Rgb(COLORREF c);  // 0x00BBGGRR to 0x00RRGGBB
// How many pixels have exactly this 0x00RRGGBB colour.
int PixelsCount(const Pixels& pixels, uint32_t rgb);
// The whole canvas of a graphic control or bitmap, read from its record.
Pixels CanvasPixels(HANDLE graphic);
// Width and height of a graphic object's canvas; 0 and 0 without a record.
SIZE CanvasSize(HANDLE graphic);
// A width x height picture whose pixel (x, y) is colour(x, y) (alpha dropped).
Pixels PixelsOf(int width, int height, const std::function<uint32_t(int, int)>& colour);
// Whether `got` is `want`, a picture `width` pixels wide (with `meanError`, channels off by less on average):
// a mismatch names the first differing pixel and both colours.
testing::AssertionResult PixelsMatch(const Pixels& got, const Pixels& want, int width, int meanError = 0);
// Whether each pixel of a width x height block is want(x, y), or one
// colour (0x00RRGGBB); a failure names the first wrong pixel.
inline testing::AssertionResult PixelsAre(const Pixels& p, int width, int height,
                                          const std::function<uint32_t(int, int)>& want) {
    return PixelsMatch(p, PixelsOf(width, height, want), width);
}
inline testing::AssertionResult PixelsAre(const Pixels& p, int width, int height, uint32_t rgb) {
    return PixelsMatch(p, Pixels(static_cast<size_t>(width) * height, rgb), width);
}

// ---- Resources -----------------------------------------------------------

// Live GDI objects of this process, counted by how many more brushes fit
// (GetGuiResources is a stub under Wine). Compare two probes.
int GdiObjectsLive();
// This process's records and live GDI objects, to compare before and after.
std::pair<int, int> RecordsAndObjectsLive();

// Fills the process's GDI object table but for `room` places, so that the
// code under test finds it full at a step of its own choosing. The places
// come back when the squeeze ends, or as soon as a message box is being
// created (a full table would keep the box from showing).
class GdiSqueeze {
public:
    explicit GdiSqueeze(int room);
    ~GdiSqueeze();
    GdiSqueeze(const GdiSqueeze&) = delete;
    GdiSqueeze& operator=(const GdiSqueeze&) = delete;
    void Release();

private:
    std::vector<HBRUSH> brushes_;
};

// While alive, this program's import of `function` from `dll` calls
// `replacement` instead: code linked into the test program (the viewer's
// too), not the system DLLs, meets a call that fails on purpose.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    void** slot = nullptr;  // the import's place, nullptr when not found
    void* original = nullptr;
};

// ---- Message logs --------------------------------------------------------

struct LoggedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct ExpectedMessage {
    UINT message;
    enum Check { Any = 0, WParam = 1, LParam = 2, Both = 3 } check;
    WPARAM wParam;
    LPARAM lParam;
    bool optional;
};

class MessageLog {
public:
    void Add(HWND w, UINT m, WPARAM wp, LPARAM lp) { entries_.push_back({w, m, wp, lp}); }
    const std::vector<LoggedMessage>& entries() const { return entries_; }
    void Clear() { entries_.clear(); }
    bool Contains(UINT message) const;
    size_t Count(UINT message) const;
    // Compares in step, optional entries may be missing; reports
    // "at step n expected X, got Y" and both lists; clears the log.
    void Expect(const std::vector<ExpectedMessage>& expected, const char* file, int line);

private:
    std::vector<LoggedMessage> entries_;
};

#define EXPECT_MESSAGES(log, table) (log).Expect((table), __FILE__, __LINE__)

// The names of the logged messages that are among `only`, in order, each
// followed by a blank.
std::string MessageNames(const MessageLog& log, std::initializer_list<UINT> only);
// The first n messages of a log.
MessageLog LogHead(const MessageLog& log, size_t n);

// ---- Picture files -------------------------------------------------------

// Bmp is 24 bits, Bmp32 32 bits of RGB and a fourth byte 0 (BI_RGB); Gif
// and PngPalette pixels of alpha 0 are the palette's transparent entry.
enum class PictureFormat { Png, Bmp, Jpeg, Gif, Tiff, Bmp32, PngPalette };

// Writes a width x height picture whose pixel (x, y) is colour(x, y)
// (0xAARRGGBB). Returns false when it cannot be encoded.
bool PictureWrite(const std::wstring& path, int width, int height, PictureFormat format,
                  const std::function<uint32_t(int, int)>& colour);
// What GDI+ itself makes of a file: false when it cannot open it.
bool PictureDimensions(const std::wstring& path, UINT* width, UINT* height);
// The picture as the viewer draws it: GDI+ into a display bitmap cleared
// to `background` (0x00BBGGRR), at its own size or at drawWidth x drawHeight.
Pixels PictureRendered(const std::wstring& path, int* width, int* height, int drawWidth = 0, int drawHeight = 0,
                       COLORREF background = 0);
// A test pattern with distinct colours per pixel neighbourhood.
uint32_t PatternColour(int x, int y);

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool FileWriteBytes(const std::wstring& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string FileReadBytes(const std::wstring& path);
// Little-endian bytes of a value, for file headers built by hand.
std::string BytesLittle16(uint16_t v);
std::string BytesLittle32(uint32_t v);
std::string BytesBig32(uint32_t v);
// A PNG chunk: length, type, data, and the CRC-32 of type and data.
std::string PngChunk(const std::string& type, const std::string& data);
// The headers of a bottom-up BI_RGB BMP file, palette included, whose rows
// of `bits` per pixel follow.
std::string BmpHeaders(uint32_t width, uint32_t height, uint16_t bits, const std::vector<uint32_t>& palette = {});
