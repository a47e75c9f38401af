#include "support.h"

#include "dialog/records/records.h"
#include "dialog/records/scoped_gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs) {
    for (DWORD start = GetTickCount();; Sleep(stepMs)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
    }
}

HangWatchdog::HangWatchdog(DWORD ms, std::string what) : ms_(ms), what_(std::move(what)) {
    CreateTimerQueueTimer(&timer_, nullptr, &Expired, this, ms, 0, WT_EXECUTEONLYONCE);
}

HangWatchdog::~HangWatchdog() { DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE); }

void CALLBACK HangWatchdog::Expired(void* self, BOOLEAN) {
    auto* w = static_cast<HangWatchdog*>(self);
    fprintf(stderr, "FAILED: %s: hung for %lu ms\n", w->what_.c_str(), w->ms_);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

std::wstring WindowText(HWND window) {
    wchar_t text[4096] = {};
    // A cross-process WM_GETTEXT; InternalGetWindowText would not ask.
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

// ---- Names ---------------------------------------------------------------

std::string Narrow(const std::wstring& s) {
    std::string out(s.size() * 3, '\0');  // at most three bytes a UTF-16 unit
    int n = static_cast<int>(s.size()), size = static_cast<int>(out.size());
    out.resize(WideCharToMultiByte(CP_UTF8, 0, s.data(), n, out.data(), size, nullptr, nullptr));
    return out;
}

std::string MessageName(UINT m) {
#define NAMED(m) std::pair<UINT, const char*>(m, #m)
    static const std::pair<UINT, const char*> names[] = {
        NAMED(WM_SIZE),       NAMED(WM_ACTIVATE),  NAMED(WM_CLOSE),
        NAMED(WM_DESTROY),    NAMED(WM_NCDESTROY), NAMED(WM_NCACTIVATE),
        NAMED(WM_CANCELMODE), NAMED(WM_DRAWITEM),  NAMED(WM_WINDOWPOSCHANGING),
        NAMED(WM_INITDIALOG), NAMED(WM_COMMAND),   NAMED(WM_SYSCOMMAND),
        NAMED(WM_ENTERIDLE),  NAMED(WM_HSCROLL),   NAMED(WM_VSCROLL),
    };
#undef NAMED
    for (const auto& [number, name] : names)
        if (number == m) return name;
    return std::to_string(m);
}

// Bit numbers as the records define them.
std::string FlagNames(DWORD flags) {
    const char* names[32] = {};
    names[0] = "DialogUnits", names[1] = "Pixels", names[5] = "HasFocus", names[9] = "DeferredRedraw";
    names[17] = "ChangePending", names[20] = "StretchedView", names[29] = "Control", names[30] = "Dialog";
    std::ostringstream text;
    for (int bit = 31; bit >= 0; --bit) {
        if (!(flags >> bit & 1)) continue;
        if (text.tellp() > 0) text << ' ';
        names[bit] ? text << names[bit] : text << "bit " << bit;
    }
    return text.str();
}

// ---- Window geometry -----------------------------------------------------

RECT RectInParent(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, GetAncestor(w, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE OuterSize(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE ClientSize(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    return {r.right, r.bottom};
}

// ---- Message boxes -------------------------------------------------------

namespace {

thread_local HHOOK cbtHook = nullptr;
thread_local std::vector<BoxSeen>* caught = nullptr;

std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
    auto* out = reinterpret_cast<std::wstring*>(param);
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && out->empty()) *out = WindowText(child);
    return TRUE;
}

thread_local HWND pendingBox = nullptr;
thread_local GdiSqueeze* activeSqueeze = nullptr;

// Runs inside the box's own modal loop, once its text is in place.
void CALLBACK ReadAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = pendingBox;
    pendingBox = nullptr;
    if (!box || !IsWindow(box)) return;
    BoxSeen seen = MessageBoxRead(box);
    seen.recordsAlive = ObjectRecordCount();
    if (caught) {
        caught->push_back(seen);
    } else {
        ADD_FAILURE() << "unexpected message box: " << Narrow(seen.text);
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && activeSqueeze) activeSqueeze->Release();
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (MessageBoxIs(window) && window != pendingBox) {
            pendingBox = window;
            SetTimer(nullptr, 0, 1, ReadAndClose);
        }
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

BOOL CALLBACK FindDisabled(HWND window, LPARAM param) {
    auto* box = reinterpret_cast<HWND*>(param);
    if (window == *box || IsWindowEnabled(window)) return TRUE;
    // A thread's default IME windows are disabled from birth (Wine 10 and
    // 64-bit Wine make them): they say nothing of the box.
    if (ClassOf(window) == L"IME" || ClassOf(window) == L"MSCTFIME UI") return TRUE;
    *box = nullptr;  // found one
    return FALSE;
}

// A hidden window of the catching thread, so that a task-modal box always
// has something to disable.
thread_local HWND taskProbe = nullptr;

}  // namespace

DWORD MessageBoxStyleOf(HWND box) {
    auto shown = [box](int id) {
        HWND b = GetDlgItem(box, id);
        return b && IsWindowVisible(b);
    };
    DWORD style = MB_OK;
    if (shown(IDABORT))
        style = MB_ABORTRETRYIGNORE;
    else if (shown(IDTRYAGAIN))
        style = MB_CANCELTRYCONTINUE;
    else if (shown(IDYES))
        style = shown(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    else if (shown(IDRETRY))
        style = MB_RETRYCANCEL;
    else if (shown(IDCANCEL))
        style = MB_OKCANCEL;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD_PTR icon = 0;
        bool isIcon = (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (isIcon && SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) && icon) {
            style |= MB_ICONMASK;
        }
    }
    HWND search = box;
    EnumThreadWindows(GetWindowThreadProcessId(box, nullptr), FindDisabled, reinterpret_cast<LPARAM>(&search));
    if (!search) style |= MB_TASKMODAL;
    return style;
}

bool MessageBoxIs(HWND window) {
    return ClassOf(window) == L"#32770" && GetDlgItem(window, IDOK) && !GetDlgItem(window, IDC_GRAPHIC);
}

BoxSeen MessageBoxRead(HWND box) {
    BoxSeen seen{};
    seen.caption = WindowText(box);
    EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
    seen.style = MessageBoxStyleOf(box);
    seen.hadOwner = GetWindow(box, GW_OWNER) != nullptr;
    return seen;
}

static std::vector<BoxSeen> catcherBoxes;

void MessageBoxGuardInstall() {
    if (!cbtHook) cbtHook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::MessageBoxCatcher() {
    MessageBoxGuardInstall();
    if (!taskProbe)
        taskProbe =
            CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    catcherBoxes.clear();
    caught = &catcherBoxes;
}

MessageBoxCatcher::~MessageBoxCatcher() { caught = nullptr; }

const std::vector<BoxSeen>& MessageBoxCatcher::boxes() const { return catcherBoxes; }

// ---- Pixels --------------------------------------------------------------

// Empty, and a failure, when the section cannot be made: a full GDI
// object table or memory.
Pixels DcPixels(HDC dc, int x, int y, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ScopedBitmap dib(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedMemoryDC mem(CreateCompatibleDC(dc));
    ScopedSelection selected(mem.get(), dib.get());
    if (!bits || !selected) {
        ADD_FAILURE() << "cannot read " << width << " x " << height << " pixels: no DIB section or memory DC";
        return {};
    }
    BitBlt(mem.get(), 0, 0, width, height, dc, x, y, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    Pixels out(p, p + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (uint32_t& v : out) v &= 0xFFFFFF;
    return out;
}

Pixels WindowPixels(HWND window, int x, int y, int width, int height) {
    ScopedWindowDC dc(window);
    return DcPixels(dc.get(), x, y, width, height);
}

int PixelsCount(const Pixels& pixels, uint32_t rgb) {
    int n = 0;
    for (uint32_t v : pixels) n += v == rgb;
    return n;
}

Pixels CanvasPixels(HANDLE graphic) {
    ObjectRecord* r = ObjectRecordFind(graphic);
    if (!r) return {};
    return DcPixels(r->graphic.canvasDC, 0, 0, r->graphic.canvasWidth, r->graphic.canvasHeight);
}

SIZE CanvasSize(HANDLE graphic) {
    ObjectRecord* r = ObjectRecordFind(graphic);
    return r ? SIZE{r->graphic.canvasWidth, r->graphic.canvasHeight} : SIZE{0, 0};
}

Pixels PixelsOf(int width, int height, const std::function<uint32_t(int, int)>& colour) {
    Pixels out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.push_back(colour(x, y) & 0xFFFFFF);
    return out;
}

testing::AssertionResult PixelsMatch(const Pixels& got, const Pixels& want, int width, int meanError) {
    if (got.size() != want.size())
        return testing::AssertionFailure() << got.size() << " pixels, expected " << want.size();
    size_t differ = 0, first = 0;
    long long off = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        for (int shift : {0, 8, 16}) off += std::abs(int(got[i] >> shift & 0xFF) - int(want[i] >> shift & 0xFF));
        if (got[i] != want[i] && !differ++) first = i;
    }
    if (meanError ? off < meanError * 3LL * static_cast<long long>(got.size()) : !differ)
        return testing::AssertionSuccess();
    char at[64];
    snprintf(at, sizeof at, "(%d, %d) is 0x%06X, expected 0x%06X", int(first % std::max(width, 1)),
             int(first / std::max(width, 1)), got[first], want[first]);
    return testing::AssertionFailure() << differ << " of " << got.size() << " pixels differ, mean channel error "
                                       << off / (3.0 * got.size()) << "; the first at " << at;
}

uint32_t Rgb(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// ---- GDI objects ---------------------------------------------------------

namespace {
// Brushes until the process's GDI object table is full (or a bound that no
// platform's table reaches).
std::vector<HBRUSH> BrushesUntilFull() {
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    while (brushes.size() <= 200000) {
        HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
        if (!b) break;
        brushes.push_back(b);
    }
    return brushes;
}

// Wine 10 keeps two GDI objects of the last window whose callback claimed
// its painting as done until another window is painted. Painting a
// throwaway window first makes every count start from the same state.
void PaintedWindowsSettle() {
    HWND w = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                             nullptr, nullptr, nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    UpdateWindow(w);
    DestroyWindow(w);
}
}  // namespace

int GdiObjectsLive() {
    PaintedWindowsSettle();
    std::vector<HBRUSH> brushes = BrushesUntilFull();
    for (HBRUSH b : brushes) DeleteObject(b);
    return -static_cast<int>(brushes.size());  // fewer free places means more live objects
}

std::pair<int, int> RecordsAndObjectsLive() { return {ObjectRecordCount(), GdiObjectsLive()}; }

GdiSqueeze::GdiSqueeze(int room) : brushes_((PaintedWindowsSettle(), BrushesUntilFull())) {
    MessageBoxGuardInstall();
    for (int i = 0; i < room && !brushes_.empty(); ++i) {
        DeleteObject(brushes_.back());
        brushes_.pop_back();
    }
    activeSqueeze = this;
}

GdiSqueeze::~GdiSqueeze() { Release(); }

void GdiSqueeze::Release() {
    for (HBRUSH b : brushes_) DeleteObject(b);
    brushes_.clear();
    if (activeSqueeze == this) activeSqueeze = nullptr;
}

// ---- Imports -------------------------------------------------------------

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; imports.Size && d->Name && !slot; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* place = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; name->u1.AddressOfData && !slot; ++name, ++place) {
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) && strcmp(byName->Name, function) == 0)
                slot = reinterpret_cast<void**>(&place->u1.Function);
        }
    }
    if (!slot) return;
    original = *slot;
    DWORD was = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &was);
    *slot = replacement;
}

ImportPatch::~ImportPatch() {
    if (slot) *slot = original;
}

// ---- Message logs --------------------------------------------------------

bool MessageLog::Contains(UINT message) const { return Count(message) > 0; }

size_t MessageLog::Count(UINT message) const {
    size_t n = 0;
    for (const auto& e : entries_) n += e.message == message;
    return n;
}

namespace {
std::string Describe(UINT m, WPARAM w, LPARAM l) {
    char buf[64];
    snprintf(buf, sizeof buf, " wp 0x%lX lp 0x%lX", static_cast<unsigned long>(w), static_cast<unsigned long>(l));
    return MessageName(m) + buf;
}
}  // namespace

void MessageLog::Expect(const std::vector<ExpectedMessage>& expected, const char* file, int line) {
    size_t got = 0;
    std::ostringstream failure;
    auto logged = [this](size_t i) {
        return i < entries_.size() ? Describe(entries_[i].message, entries_[i].wParam, entries_[i].lParam)
                                   : std::string("nothing");
    };
    for (size_t step = 0; step < expected.size(); ++step) {
        const ExpectedMessage& e = expected[step];
        bool matches = got < entries_.size() && entries_[got].message == e.message &&
                       (!(e.check & ExpectedMessage::WParam) || entries_[got].wParam == e.wParam) &&
                       (!(e.check & ExpectedMessage::LParam) || entries_[got].lParam == e.lParam);
        if (matches || e.optional) {
            got += matches;
            continue;
        }
        failure << "at step " << step << " expected " << Describe(e.message, e.wParam, e.lParam) << ", got "
                << logged(got);
        break;
    }
    if (failure.str().empty() && got < entries_.size()) failure << "unexpected extra " << logged(got);
    if (!failure.str().empty()) {
        failure << "\nexpected:";
        for (const auto& e : expected)
            failure << "\n  " << Describe(e.message, e.wParam, e.lParam) << (e.optional ? " (optional)" : "");
        failure << "\ngot:";
        for (size_t i = 0; i < entries_.size(); ++i) failure << "\n  " << logged(i);
        ADD_FAILURE_AT(file, line) << failure.str();
    }
    entries_.clear();
}

std::string MessageNames(const MessageLog& log, std::initializer_list<UINT> only) {
    std::ostringstream text;
    for (const LoggedMessage& e : log.entries())
        if (std::find(only.begin(), only.end(), e.message) != only.end()) text << MessageName(e.message) << ' ';
    return text.str();
}

MessageLog LogHead(const MessageLog& log, size_t n) {
    MessageLog head;
    for (const LoggedMessage& e : log.entries())
        if (head.entries().size() < n) head.Add(e.window, e.message, e.wParam, e.lParam);
    return head;
}

// ---- Files ---------------------------------------------------------------

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG serial = 0;
    // Wine reuses process ids soon: a folder that is there already is
    // another run's, so take the next name.
    for (;;) {
        wchar_t name[MAX_PATH];
        swprintf(name, MAX_PATH, L"%lsvistora-%lu-%ld", base, GetCurrentProcessId(), InterlockedIncrement(&serial));
        path_ = name;
        if (CreateDirectoryW(path_.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string FileReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string BytesLittle16(uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

std::string BytesLittle32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

std::string BytesBig32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string BmpHeaders(uint32_t width, uint32_t height, uint16_t bits, const std::vector<uint32_t>& palette) {
    uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
    uint32_t size = offset + (width * bits + 31) / 32 * 4 * height;
    std::string out = "BM" + BytesLittle32(size) + BytesLittle32(0) + BytesLittle32(offset) + BytesLittle32(40) +
                      BytesLittle32(width) + BytesLittle32(height) + BytesLittle16(1) + BytesLittle16(bits) +
                      std::string(24, '\0');
    for (uint32_t entry : palette) out += BytesLittle32(entry);
    return out;
}

bool FileWriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}
