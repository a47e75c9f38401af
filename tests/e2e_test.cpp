// The real viewer, driven from outside like a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "driver/driver.h"
#include "support/support.h"

namespace {

constexpr DWORD Patience = 15000;  // for a window or a box to appear

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// A started viewer, ended by its own handle if a test fails early.
struct Viewer : Launched {
    // The main window once it is visible; null on time-out.
    HWND Main() { return DriverWaitMainWindow(*this, Patience); }
    // Started on a tail, its main window once visible; null when either fails.
    HWND Shown(const std::wstring& tail) { return Start(tail) ? Main() : nullptr; }
    DWORD Exit() {
        DWORD code = 0xDEAD;
        EXPECT_TRUE(WaitExit(Patience, &code)) << "the viewer did not end";
        return code;
    }
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(DriverViewerExe().empty()) << "VISTORA_EXE is not set"; }
    // A new pattern picture in the test's folder, shown by the viewer: its
    // window, or null.
    HWND ShowNewPicture(Viewer& v, const wchar_t* name, int w, int h, PictureFormat format) {
        std::wstring picture = folder.File(name);
        if (!PictureWrite(picture, w, h, format, PatternColour)) return nullptr;
        return v.Shown(L" " + picture);
    }
    TempFolder folder;
};

// Starts the viewer as a debugger would and, once the DLL holding the
// GetVersionExA it calls is mapped (before any code of the exe runs),
// makes that answer as Windows 98 does: platform id 1. System DLLs lie
// at one address in every process of a bitness.
bool StartOnWindows98(Viewer& v, const std::wstring& tail) {
#ifdef _WIN64
    const unsigned char answer[] = {0xC7, 0x41, 0x10, 1, 0, 0, 0, 0xB8, 1, 0, 0, 0, 0xC3};
#else
    const unsigned char answer[] = {0x8B, 0x44, 0x24, 4, 0xC7, 0x40, 0x10, 1, 0, 0, 0, 0xB8, 1, 0, 0, 0, 0xC2, 4, 0};
#endif
    void* at = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetVersionExA"));
    bool patched = false;
    DEBUG_EVENT e{};
    if (!v.Start(tail, DriverViewerExe(), DEBUG_ONLY_THIS_PROCESS)) return false;
    while (!patched && WaitForDebugEvent(&e, Patience)) {
        if (e.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) CloseHandle(e.u.CreateProcessInfo.hFile);
        if (e.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) CloseHandle(e.u.LoadDll.hFile);
        DWORD was = 0;
        patched = VirtualProtectEx(v.process, at, sizeof answer, PAGE_EXECUTE_READWRITE, &was) &&
                  WriteProcessMemory(v.process, at, answer, sizeof answer, nullptr);
        ContinueDebugEvent(e.dwProcessId, e.dwThreadId, DBG_CONTINUE);
    }
    return patched && DebugSetProcessKillOnExit(FALSE) && DebugActiveProcessStop(v.pid);
}

BOOL CALLBACK CountChild(HWND, LPARAM n) {
    ++*reinterpret_cast<int*>(n);
    return TRUE;
}

// The viewer sizes its window to the picture plus a fixed allowance of
// 6 x 29 pixels for frame and caption; it never measures the real frame.
void ExpectOuterSizeForPicture(HWND main, int width, int height) {
    EXPECT_EQ(OuterSize(main), (SIZE{width + 6, height + 29}));
}

// Checks that the control is the picture's size at the origin of the
// dialog's client area, and that what can be seen of it on the screen is
// exactly the picture. How much can be seen is the platform's business:
// with the fixed allowance the client area is the picture's size only
// when caption and frame take 6 x 29 pixels (Windows: 23 px caption). It
// is a few rows taller under Wine 8 (19 px caption) and 3 rows shorter
// under Wine 10 (26 px), where the dialog cuts the bottom of the control.
// All are as designed, so the visible part is read from the dialog's
// client area, not assumed.
void ExpectPictureShown(HWND main, int width, int height, const Pixels& expected) {
    ASSERT_EQ(expected.size(), static_cast<size_t>(width) * static_cast<size_t>(height));
    HWND control = GetDlgItem(main, IDC_GRAPHIC);
    ASSERT_TRUE(control);
    EXPECT_EQ(ClientSize(control), (SIZE{width, height}));
    POINT controlOrigin{0, 0}, clientOrigin{0, 0};
    ClientToScreen(control, &controlOrigin);
    ClientToScreen(main, &clientOrigin);
    EXPECT_EQ(controlOrigin, clientOrigin);

    SIZE client = ClientSize(main);
    RECT part = DriverVisiblePart(control);
    SCOPED_TRACE(testing::Message() << "client area " << testing::PrintToString(client) << ", visible "
                                    << testing::PrintToString(part) << " of " << width << " x " << height);
    EXPECT_EQ(part, (RECT{0, 0, std::min<LONG>(width, client.cx), std::min<LONG>(height, client.cy)}));
    if (!UnderWine() && GetSystemMetrics(SM_CYCAPTION) == 23) {
        EXPECT_EQ(part, (RECT{0, 0, width, height})) << "Windows' 23 px caption leaves the whole picture in view";
    }
    // Less than half of the picture would be too little to judge it by;
    // no known platform cuts more than a few rows.
    EXPECT_GE(part.right * 2, width);
    EXPECT_GE(part.bottom * 2, height);
    EXPECT_TRUE(DriverWaitPixels(control, width, height, expected, 5000))
        << "the visible part of the control is not the picture";
}

}  // namespace

TEST_F(EndToEnd, PictureWithBlankInPathQuotedAndUnquoted) {
    std::wstring picture = folder.File(L"pic one.png");
    ASSERT_TRUE(PictureWrite(picture, 300, 200, PictureFormat::Png, PatternColour));
    Pixels expected = PixelsOf(300, 200, PatternColour);
    for (bool quoted : {true, false}) {
        SCOPED_TRACE(quoted ? "quoted" : "unquoted");
        Viewer v;
        HWND main = v.Shown(L" " + (quoted ? Quoted(picture) : picture));
        ASSERT_TRUE(main);
        EXPECT_EQ(RectInParent(main), (RECT{10, 10, 10 + 306, 10 + 229}));  // 300 + 6 by 200 + 29
        EXPECT_EQ(WindowText(main), L"pic one.png");
        EXPECT_FALSE(GetWindowLongW(main, GWL_STYLE) & WS_SYSMENU);
        int children = 0;
        EnumChildWindows(main, CountChild, reinterpret_cast<LPARAM>(&children));
        EXPECT_EQ(children, 1);
        HWND control = GetDlgItem(main, IDC_GRAPHIC);
        ASSERT_TRUE(control);
        wchar_t cls[16] = {};
        GetClassNameW(control, cls, 16);
        EXPECT_EQ(_wcsicmp(cls, L"Static"), 0);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)), 0x5000010Du);
        ExpectPictureShown(main, 300, 200, expected);  // and the control's client size
        DriverClick(control, 150, 100);
        EXPECT_EQ(v.Exit(), 0u);
    }
}

TEST_F(EndToEnd, MovesAndKeysDoNotEndItAClickDoes) {
    Viewer v;
    HWND main = ShowNewPicture(v, L"small.bmp", 120, 90, PictureFormat::Bmp);
    ASSERT_TRUE(main);
    HWND control = GetDlgItem(main, IDC_GRAPHIC);
    DriverMoveMouse(control, 10, 10);
    DriverMoveMouse(control, 60, 40);
    DriverKey(VK_ESCAPE);
    DriverKey(VK_RETURN);
    EXPECT_FALSE(v.WaitExit(700)) << "moving or typing closed the window";
    EXPECT_TRUE(IsWindowVisible(main));
    DriverClick(control, 5, 5, true);
    EXPECT_EQ(v.Exit(), 0u);
}

TEST_F(EndToEnd, ACloseRequestEndsIt) {
    Viewer v;
    HWND main = ShowNewPicture(v, L"small.bmp", 120, 90, PictureFormat::Bmp);
    ASSERT_TRUE(main);
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(v.Exit(), 0u);
}

TEST_F(EndToEnd, NothingToShowEndsWithoutAWord) {
    std::wstring picture = folder.File(L"there.png");
    ASSERT_TRUE(PictureWrite(picture, 10, 10, PictureFormat::Png, PatternColour));
    const std::wstring tails[] = {
        L"",
        L"   ",
        L" " + folder.File(L"missing.png"),
        L" " + picture + L" " + picture,
        L" " + folder.File(L"*.png"),
        L" " + folder.File(L"there.?ng"),
        L" " + folder.File(L"*"),
        L" \"\"",
    };
    for (const auto& tail : tails) {
        SCOPED_TRACE("tail [" + Narrow(tail) + "]");
        Viewer v;
        ASSERT_TRUE(v.Start(tail));
        bool shown = DriverShowsWindowWithin(v, Patience);
        EXPECT_FALSE(shown) << "a window or box became visible";
        EXPECT_EQ(v.Exit(), 0u);
    }
}

// A path the loader cannot show: its box comes first, then the window
// asks for the size of a 0 x 0 picture, captioned with the file name.
TEST_F(EndToEnd, UnshowablePathGivesItsBoxThenASmallWindow) {
    std::wstring dir = folder.File(L"albums"), file = folder.File(L"notes.png");
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    ASSERT_TRUE(FileWriteBytes(file, "this is not a picture at all"));
    const struct {
        std::wstring tail, text, caption;
    } cases[] = {{L" " + dir, MissingFileText(dir), L"albums"},
                 {L" " + Quoted(file), ReadErrorText(file), L"notes.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.caption));
        Viewer v;
        ASSERT_TRUE(v.Start(c.tail));
        HWND box = DriverWaitMessageBox(v, Patience);
        ASSERT_TRUE(box);
        BoxSeen seen = MessageBoxRead(box);
        EXPECT_EQ(seen.text, c.text);
        EXPECT_EQ(seen.caption, DefaultBoxTitle);
        EXPECT_FALSE(seen.hadOwner);
        EXPECT_EQ(seen.style, LoaderBoxStyle & MessageBoxStyleReadable);  // the hidden main window is disabled
        EXPECT_EQ(DriverTopWindows(v.pid, true).size(), 1u) << "the main window showed before the box was closed";
        EXPECT_TRUE(DriverPressOk(box));
        HWND main = v.Main();
        ASSERT_TRUE(main);
        EXPECT_EQ(WindowText(main), c.caption);
        // The fixed allowance, as far as the system allows, and a 1 x 1 control.
        EXPECT_EQ(OuterSize(main), (SIZE{std::max(FrameAllowanceWidth, GetSystemMetrics(SM_CXMIN)),
                                         std::max(FrameAllowanceHeight, GetSystemMetrics(SM_CYMIN))}));
        EXPECT_EQ(ClientSize(GetDlgItem(main, IDC_GRAPHIC)), (SIZE{1, 1}));
        DriverClick(GetDlgItem(main, IDC_GRAPHIC), 0, 0);
        EXPECT_EQ(v.Exit(), 0u);
    }
}

TEST_F(EndToEnd, EveryFormatShowsAtNativeSize) {
    struct Case {
        const wchar_t* name;
        PictureFormat format;
        bool lossless;
    } cases[] = {
        {L"a.png", PictureFormat::Png, true},   {L"a.bmp", PictureFormat::Bmp, true},
        {L"a.tif", PictureFormat::Tiff, true},  {L"a.gif", PictureFormat::Gif, true},
        {L"a.jpg", PictureFormat::Jpeg, false},
    };
    // Few colours, so that the palette of a GIF holds them all.
    auto colour = [](int x, int y) -> uint32_t {
        return ((x / 8 + y / 8) % 2) ? 0xFF2060A0u : (x < 64 ? 0xFFF0C020u : 0xFF108040u);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        std::wstring picture = folder.File(c.name);
        ASSERT_TRUE(PictureWrite(picture, 128, 72, c.format, colour));
        Viewer v;
        ASSERT_TRUE(v.Start(L" " + picture));
        HWND main = v.Main();
        if (!main) {
            HWND box = DriverWaitMessageBox(v, 0);
            std::wstring text = box ? MessageBoxRead(box).text : L"none";
            FAIL() << "no window; box: " << Narrow(text);
        }
        ExpectOuterSizeForPicture(main, 128, 72);
        // A lossless picture must show as written. A JPEG must show as this
        // platform's GDI+ decodes it: decoders differ between Wine versions
        // (and Windows), so the source pixels are no measure for it.
        Pixels expected = PixelsOf(128, 72, colour);
        if (!c.lossless) {
            int w = 0, h = 0;
            expected = PictureRendered(picture, &w, &h);
            ASSERT_EQ(w, 128);
            ASSERT_EQ(h, 72);
            // The reference itself is the pattern, not a blank: the middle of
            // the first (yellow) square is far redder than the blue beside it.
            int yellowRed = static_cast<int>(expected[4 * 128 + 4] >> 16);
            int blueRed = static_cast<int>(expected[4 * 128 + 12] >> 16);
            EXPECT_GT(yellowRed, blueRed + 100);
        }
        ExpectPictureShown(main, 128, 72, expected);
        HWND control = GetDlgItem(main, IDC_GRAPHIC);
        DriverClick(control, 3, 3);
        EXPECT_EQ(v.Exit(), 0u);
    }
}

TEST_F(EndToEnd, NamesOutsideTheAnsiCodePageOpen) {
    const std::wstring names[] = {L"\u041a\u043e\u0442.png", L"\u732b\u306e\u5199\u771f.png"};
    for (const auto& name : names) {
        std::wstring picture = folder.File(name);
        ASSERT_TRUE(PictureWrite(picture, 64, 48, PictureFormat::Png, PatternColour));
        Viewer v;
        ASSERT_TRUE(v.Start(L" " + Quoted(picture)));
        HWND main = v.Main();
        ASSERT_TRUE(main) << "the picture did not open";
        EXPECT_EQ(WindowText(main), name);
        ExpectPictureShown(main, 64, 48, PixelsOf(64, 48, PatternColour));
        DriverClick(GetDlgItem(main, IDC_GRAPHIC), 1, 1);
        EXPECT_EQ(v.Exit(), 0u);
    }
}

TEST_F(EndToEnd, FocusComesBackAfterReactivation) {
    Viewer v;
    HWND main = ShowNewPicture(v, L"focus.png", 100, 60, PictureFormat::Png);
    ASSERT_TRUE(main);
    HWND control = GetDlgItem(main, IDC_GRAPHIC);
    auto focusOf = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(v.thread, &info);
        return info.hwndFocus;
    };
    // Focus the control through the dialog manager, as a user's Tab would.
    PostMessageW(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ASSERT_TRUE(PumpUntil([&] { return focusOf() == control; }, 3000)) << "the control never got the focus";

    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 600, 600, 80, 40, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, 3000));
    SetForegroundWindow(main);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main && focusOf() == control; }, 3000))
        << "focus after reactivation: " << focusOf();
    DestroyWindow(other);
    DriverClick(control, 2, 2);
    EXPECT_EQ(v.Exit(), 0u);
}

TEST_F(EndToEnd, RefusedOnWindows9x) {
    Viewer v;
    ASSERT_TRUE(StartOnWindows98(v, L" whatever.png")) << "could not make it see Windows 98";
    HWND box = DriverWaitMessageBox(v, Patience);
    ASSERT_TRUE(box);
    BoxSeen seen = MessageBoxRead(box);
    EXPECT_EQ(seen.text, L"Win98 No Support");
    // It has no title of its own and is shown by the system itself, not by
    // the viewer's boxes: its caption is the system's default, read here.
    MessageBoxCatcher catcher;
    MessageBoxA(nullptr, "", nullptr, MB_OK);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(seen.caption, catcher.boxes()[0].caption);
    EXPECT_TRUE(DriverPressOk(box));
    EXPECT_EQ(v.Exit(), 255u);
}

TEST_F(EndToEnd, GdiplusThatWillNotStartGivesOneBox) {
    std::wstring fake = DriverEnvPath("VISTORA_FAKE_GDIPLUS");
    ASSERT_FALSE(fake.empty());
    // A copy whose imports name fakegdi.dll, which every loader (Windows,
    // Wine) finds beside the exe: no system GDI+ comes first.
    std::string bytes = FileReadBytes(DriverViewerExe());
    size_t name = bytes.find("gdiplus.dll");
    ASSERT_NE(name, std::string::npos);
    std::wstring copy = folder.File(L"vistora.exe");
    ASSERT_TRUE(FileWriteBytes(copy, bytes.replace(name, 11, "fakegdi.dll")));
    ASSERT_TRUE(CopyFileW(fake.c_str(), folder.File(L"fakegdi.dll").c_str(), FALSE));
    std::wstring picture = folder.File(L"p.png");
    ASSERT_TRUE(PictureWrite(picture, 10, 10, PictureFormat::Png, PatternColour));
    Viewer v;
    ASSERT_TRUE(v.Start(L" " + picture, copy));
    HWND box = DriverWaitMessageBox(v, Patience);
    ASSERT_TRUE(box);
    BoxSeen seen = MessageBoxRead(box);
    EXPECT_EQ(seen.text, L"error inicializando GDI+ ...");
    EXPECT_EQ(seen.caption, L"Programador");
    EXPECT_TRUE(DriverPressOk(box));
    EXPECT_FALSE(DriverShowsWindowWithin(v, 1500)) << "something was shown after the box";
    EXPECT_EQ(v.Exit(), 0u);
}

TEST_F(EndToEnd, RightPressAloneClosesAReleaseAloneDoesNot) {
    Viewer v;
    HWND main = ShowNewPicture(v, L"press.png", 40, 30, PictureFormat::Png);
    ASSERT_TRUE(main);
    HWND control = GetDlgItem(main, IDC_GRAPHIC);
    PostMessageW(control, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(v.WaitExit(1500)) << "a button release closed the window";
    DriverMoveMouse(control, 5, 5);
    DriverButton(MOUSEEVENTF_RIGHTDOWN);
    EXPECT_EQ(v.Exit(), 0u);
    DriverButton(MOUSEEVENTF_RIGHTUP);  // the button is up again for the tests that follow
}
