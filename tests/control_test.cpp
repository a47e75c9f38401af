// The graphic control in a dialog: window, resize, painting and keys.
#include <gtest/gtest.h>

#include "dialog_helpers.h"
#include "graphic/operation.h"
#include "support/support.h"

TEST(GraphicControlWindow, ViewerControlStyleClassIdAndFont) {
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 150, 81, GraphicControlStyle, 0, nullptr);
    HWND c = ControlHandle(d, IDC_GRAPHIC);
    ASSERT_TRUE(c);
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    EXPECT_EQ(_wcsicmp(cls, L"Static"), 0);
    EXPECT_EQ(GetDlgCtrlID(c), IDC_GRAPHIC);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE)), 0x5000010Du);
    EXPECT_EQ(GetWindowLongW(c, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
    EXPECT_EQ(RectInParent(c), (RECT{0, 0, 150, 81}));
    EXPECT_EQ(SendMessageW(c, WM_GETFONT, 0, 0), SendMessageW(d, WM_GETFONT, 0, 0));
    ObjectRecord* rec = ObjectRecordFind(c);
    ASSERT_TRUE(rec);
    EXPECT_EQ(FlagNames(rec->flags & ~FlagHasFocus), "Control Pixels");
    EXPECT_EQ(rec->kind, KindGraphicControl);
    EXPECT_EQ(rec->parent, d);
    EXPECT_EQ(rec->windowStyle, 0x5000010Du);
    EXPECT_EQ(CanvasSizes(rec), (SizePair{{150, 81}, {150, 81}}));
    // Nothing drawn yet: the canvas is the background, the dialog face colour.
    const GraphicState& g = rec->graphic;
    LOGBRUSH brush{};
    GetObjectW(g.backgroundBrush, sizeof brush, &brush);
    EXPECT_EQ(std::tuple(g.changedLeft, g.changedTop, g.changedRight, g.changedBottom, g.clientWidth, g.clientHeight,
                         g.viewWidth, g.viewHeight, g.referenceWidth, g.referenceHeight, g.foreground, g.background,
                         brush.lbColor, g.initialBitmap != nullptr),
              std::tuple(0u, 0u, 0u, 0u, 150, 81, 150, 81, 150, 81, static_cast<LONG>(GetSysColor(COLOR_WINDOWTEXT)),
                         static_cast<LONG>(GetSysColor(COLOR_BTNFACE)), GetSysColor(COLOR_BTNFACE), true));
    EXPECT_TRUE(PixelsAre(CanvasPixels(c), 150, 81, Rgb(GetSysColor(COLOR_BTNFACE))));
    EXPECT_EQ(ControlHandle(d, 1002), nullptr);
}

TEST(GraphicControlWindow, DefaultStyleIsATabStop) {
    EXPECT_EQ(ControlFinalStyle(0), 0x5001000Du);
    EXPECT_EQ(ControlFinalStyle(GraphicControlStyle), 0x5000010Du);
    EXPECT_EQ(ControlFinalStyle(WS_BORDER), static_cast<DWORD>(WS_BORDER) | 0x5000000Du);
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, 7, L"", 0, 0, 20, 20, 0, 0, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(ControlHandle(d, 7), GWL_STYLE)), 0x5001000Du);
}

TEST(GraphicControlWindow, DialogUnitsConvertedWithMapDialogRect) {
    DialogGuard d(DialogNew(UnitDialog, nullptr, L"", 0, 0, 200, 100, 0, 0));
    ControlAddGraphic(d, 5, L"", 10, 8, 40, 20, 0, 0, nullptr);
    RECT expected{10, 8, 50, 28};
    MapDialogRect(d, &expected);
    EXPECT_EQ(RectInParent(ControlHandle(d, 5)), expected);
    EXPECT_EQ(FlagNames(ObjectRecordFind(ControlHandle(d, 5))->flags & ~FlagHasFocus), "Control DialogUnits");
    ControlSetSize(d, 5, 60, 30);  // a resize is in dialog units too
    RECT size{0, 0, 60, 30};
    MapDialogRect(d, &size);
    EXPECT_EQ(OuterSize(ControlHandle(d, 5)), (SIZE{size.right, size.bottom}));
    ControlSetSize(d, 5, 0, -3);  // at least one dialog unit each way
    RECT unit{0, 0, 1, 1};
    MapDialogRect(d, &unit);
    EXPECT_EQ(OuterSize(ControlHandle(d, 5)), (SIZE{unit.right, unit.bottom}));
}

TEST(GraphicControlWindow, NotADialogCreatesNothing) {
    int before = ObjectRecordCount();
    HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ControlAddGraphic(plain, 3, L"", 0, 0, 5, 5, 0, 0, nullptr);
    EXPECT_EQ(GetDlgItem(plain, 3), nullptr);
    EXPECT_EQ(ObjectRecordCount(), before);
    DestroyWindow(plain);
}

TEST(Resize, KeepsTopLeftAndFillsWithBackground) {
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 150, 81, GraphicControlStyle, 0, nullptr);
    GraphicAttach(d, IDC_GRAPHIC, TRUE);
    GraphicSetColor(ColorDefault, 0x00336699);
    HWND c = ControlHandle(d, IDC_GRAPHIC);
    ObjectRecord* rec = ObjectRecordFind(c);
    for (int y = 0; y < 81; ++y)
        for (int x = 0; x < 150; ++x) SetPixel(rec->graphic.canvasDC, x, y, RGB(x, y, 77));
    auto kept = [](int x, int y) { return Rgb(RGB(x, y, 77)); };

    ControlSetSize(d, IDC_GRAPHIC, 300, 200);
    EXPECT_EQ(CanvasSizes(rec), (SizePair{{300, 200}, {300, 200}}));
    EXPECT_EQ(ClientSize(c), (SIZE{300, 200}));
    EXPECT_TRUE(PixelsAre(CanvasPixels(c), 300, 200,
                          [&](int x, int y) { return x < 150 && y < 81 ? kept(x, y) : Rgb(0x00336699); }));
    ControlSetSize(d, IDC_GRAPHIC, 150, 81);
    EXPECT_TRUE(PixelsAre(CanvasPixels(c), 150, 81, kept));
    ControlSetSize(d, IDC_GRAPHIC, 0, 0);
    EXPECT_EQ(CanvasSizes(rec), (SizePair{{1, 1}, {1, 1}}));
    EXPECT_EQ(ClientSize(c), (SIZE{1, 1}));

    // Made at 0 x 0, a control still draws in colour once it has a size.
    ControlAddGraphic(d, 1002, L"", 0, 0, 0, 0, GraphicControlStyle, 0, nullptr);
    ControlSetSize(d, 1002, 4, 3);
    GraphicAttach(d, 1002, TRUE);
    GraphicClear(0x00336699, 0);
    EXPECT_TRUE(PixelsAre(CanvasPixels(ControlHandle(d, 1002)), 4, 3, Rgb(0x00336699)));
    GraphicDetach();
}

// Each side's own frame: the client area is the request less the frame.
TEST(Resize, BorderIsAllowedFor) {
    DialogGuard d(ViewerDialog());
    int id = 1000;
    for (DWORD frame : {WS_BORDER, WS_BORDER | WS_VSCROLL, WS_CAPTION}) {
        SCOPED_TRACE(testing::Message() << "frame style 0x" << std::hex << frame);
        ControlAddGraphic(d, ++id, L"", 0, 0, 50, 50, GraphicControlStyle | frame, 0, nullptr);
        HWND c = ControlHandle(d, id);
        SIZE border{OuterSize(c).cx - ClientSize(c).cx, OuterSize(c).cy - ClientSize(c).cy};
        ControlSetSize(d, id, 100, 60);
        EXPECT_EQ(OuterSize(c), (SIZE{100, 60}));
        EXPECT_EQ(ClientSize(c), (SIZE{100 - border.cx, 60 - border.cy}));
        EXPECT_EQ(CanvasSizes(ObjectRecordFind(c)), (SizePair{ClientSize(c), ClientSize(c)}));
    }
}

TEST(Resize, BitmapTheCanvasRefusesGoesAndTheSizeStays) {
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 40, 30, GraphicControlStyle, 0, nullptr);
    HWND c = ControlHandle(d, IDC_GRAPHIC);
    ObjectRecord* rec = ObjectRecordFind(c);
    HDC canvas = rec->graphic.canvasDC;
    ScopedWindowDC window(c);  // a window DC takes no bitmap: the last step of the rebuild fails
    rec->graphic.canvasDC = window.get();
    int objects = GdiObjectsLive();
    ControlSetSize(d, IDC_GRAPHIC, 60, 50);
    EXPECT_EQ(GdiObjectsLive(), objects) << "the refused bitmap was kept";
    rec->graphic.canvasDC = canvas;
    EXPECT_EQ(ClientSize(c), (SIZE{60, 50}));
    EXPECT_EQ(CanvasSizes(rec), (SizePair{{40, 30}, {40, 30}}));
}

namespace {

struct ShownDialog {
    HWND dialog;
    HWND control;
    POINT origin;  // control's client origin on screen
};

ShownDialog ShowWithControl(int left, int top) {
    ShownDialog s{};
    s.dialog = DialogNew(UnitPixels, nullptr, L"paint", left, top, 120, 80, 0, 0);
    ControlAddGraphic(s.dialog, IDC_GRAPHIC, L"", 0, 0, 120, 80, GraphicControlStyle, 0, nullptr);
    s.control = ControlHandle(s.dialog, IDC_GRAPHIC);
    ShowWindow(s.dialog, SW_SHOW);
    UpdateWindow(s.dialog);
    PumpFor(50);
    ClientToScreen(s.control, &s.origin);
    return s;
}

}  // namespace

TEST(Painting, ClearNotDeferredReachesScreenBeforeReturn) {
    ShownDialog s = ShowWithControl(300, 300);
    DialogGuard guard(s.dialog);
    GraphicAttach(s.dialog, IDC_GRAPHIC, FALSE);
    GraphicClear(0x0000FF, 0);  // red, no pumping after
    EXPECT_TRUE(PixelsAre(WindowPixels(s.control, 0, 0, 120, 80), 120, 80, 0xFF0000));
    EXPECT_EQ(ChangedArea(ObjectRecordFind(s.control)), ChangedNone);
    GraphicClear(0x00FF00, 0);
    EXPECT_TRUE(PixelsAre(WindowPixels(s.control, 0, 0, 120, 80), 120, 80, 0x00FF00));
    GraphicDetach();
}

TEST(Painting, DeferredClearWaitsForRedraw) {
    ShownDialog s = ShowWithControl(300, 420);
    DialogGuard guard(s.dialog);
    GraphicAttach(s.dialog, IDC_GRAPHIC, FALSE);
    GraphicClear(0xFFFFFF, 0);
    GraphicAttach(s.dialog, IDC_GRAPHIC, TRUE);
    GraphicClear(0x0000FF, 0);
    EXPECT_TRUE(PixelsAre(WindowPixels(s.control, 0, 0, 120, 80), 120, 80, 0xFFFFFF));
    EXPECT_TRUE(ObjectRecordFind(s.control)->flags & FlagChangePending);
    GraphicRedraw();
    EXPECT_TRUE(PixelsAre(WindowPixels(s.control, 0, 0, 120, 80), 120, 80, 0xFF0000));
    EXPECT_FALSE(ObjectRecordFind(s.control)->flags & FlagChangePending);
    EXPECT_EQ(ChangedArea(ObjectRecordFind(s.control)), ChangedNone);
    GraphicDetach();
}

namespace {

// What WM_DRAWITEM with `action` for control `id` paints over a white
// width x height bitmap, and the dispatch's result.
std::pair<LRESULT, Pixels> DrawItem(HWND d, int id, UINT action, int width, int height) {
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC mem(CreateCompatibleDC(screen.get()));
    ScopedBitmap target(CreateCompatibleBitmap(screen.get(), width, height));
    ScopedSelection selected(mem.get(), target.get());
    RECT all{0, 0, width, height};
    FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT item{ODT_STATIC, static_cast<UINT>(id), 0, action, 0, ControlHandle(d, id), mem.get(), all, 0};
    LRESULT result = DialogDispatch(d, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
    return {result, DcPixels(mem.get(), 0, 0, width, height)};
}

}  // namespace

TEST(Painting, DrawItemPaintsOnlyForDrawEntire) {
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 20, 10, GraphicControlStyle, 0, nullptr);
    GraphicAttach(d, IDC_GRAPHIC, TRUE);
    GraphicClear(0x0000FF, 0);
    GraphicDetach();
    auto [focus, unpainted] = DrawItem(d, IDC_GRAPHIC, ODA_FOCUS, 20, 10);
    EXPECT_EQ(focus, FALSE);
    EXPECT_TRUE(PixelsAre(unpainted, 20, 10, 0xFFFFFF));
    auto [entire, painted] = DrawItem(d, IDC_GRAPHIC, ODA_DRAWENTIRE | ODA_FOCUS, 20, 10);
    EXPECT_EQ(entire, TRUE);
    EXPECT_TRUE(PixelsAre(painted, 20, 10, 0xFF0000));
    EXPECT_EQ(DrawItem(d, 1002, ODA_DRAWENTIRE, 20, 10).first, FALSE);  // no such graphic control
}

// Past 4096 pixels on a side, a new control's canvas starts in its
// background colour, and a clear reaches the last row and column of a
// bitmap and of a control, which painting shows whole.
TEST(Painting, CanvasesPast4096PixelsAreClearedAndPaintedWhole) {
    DialogGuard d(ViewerDialog());
    int id = 1000;
    for (auto [w, h] : {SIZE{4099, 3}, SIZE{3, 4099}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        HBITMAP b = GraphicBitmapNew(w, h);
        GraphicAttach(b, 0, FALSE);
        GraphicClear(0x0000FF, 0);
        EXPECT_TRUE(PixelsAre(CanvasPixels(b), w, h, 0xFF0000));
        GraphicChangedTake(ObjectRecordFind(b));
        GraphicCopy(b, 0, 0);  // onto itself: the whole canvas counts as changed
        EXPECT_EQ(ChangedArea(ObjectRecordFind(b)), std::tuple(0u, 0u, UINT(w), UINT(h)));
        GraphicBitmapEnd();
        ControlAddGraphic(d, ++id, L"", 0, 0, w, h, GraphicControlStyle, 0, nullptr);
        EXPECT_TRUE(PixelsAre(CanvasPixels(ControlHandle(d, id)), w, h, Rgb(GetSysColor(COLOR_BTNFACE))));
        GraphicAttach(d, id, TRUE);
        GraphicClear(0x00FF00, 0);
        GraphicDetach();
        EXPECT_TRUE(PixelsAre(DrawItem(d, id, ODA_DRAWENTIRE, w, h).second, w, h, 0x00FF00));
    }
}

TEST(Painting, RedrawOfBitmapShowsNothingAndKeepsPixels) {
    HBITMAP b = GraphicBitmapNew(8, 8);
    GraphicAttach(b, 0, FALSE);
    GraphicClear(0x123456, 0);
    GraphicRedraw();
    EXPECT_TRUE(PixelsAre(DcPixels(GraphicGetDC(), 0, 0, 8, 8), 8, 8, Rgb(0x123456)));
    EXPECT_EQ(std::tuple(ChangedArea(ObjectRecordFind(b)), FlagNames(ObjectRecordFind(b)->flags)),
              std::tuple(ChangedNone, FlagNames(FlagDeferredRedraw | FlagPixels)));  // nothing pending
    GraphicBitmapEnd();
}

// Keys the control keeps, sent to it with the keyboard state set: Num Lock
// is on when toggled (each row has it held when off), Shift down when held
// (toggled when up). Scan codes are the keyboard's own numbers.
TEST(GraphicControlKeys, KeySlotRules) {
    enum KeyFlag : unsigned { Plain = 0, Extended = 1, NumLockOn = 2, ShiftDown = 4, Kept = 8 };
    // The key, its scan code and its flags.
    const std::tuple<const char*, UINT, unsigned> keys[] = {
        {"keypad Enter", 0x1C, Extended | NumLockOn},
        {"extended 0x1B", 0x1B, Extended | NumLockOn | Kept},
        {"right Ctrl", 0x1D, Extended | NumLockOn | Kept},
        {"keypad /", 0x35, Extended | NumLockOn},
        {"extended 0x34", 0x34, Extended | NumLockOn | Kept},
        {"extended 0x36", 0x36, Extended | NumLockOn | Kept},
        {"extended 0x3A", 0x3A, Extended},
        {"extended 0x39", 0x39, Extended | Kept},
        {"extended 0x3B", 0x3B, Extended | Kept},
        {"Num Lock", 0x45, Extended},
        {"extended 0x44", 0x44, Extended | Kept},
        {"Break key", 0x46, Extended},
        {"Home key", 0x47, Extended | NumLockOn | Kept},
        {"F1 key", 0x3B, NumLockOn | Kept},
        {"F10 key", 0x44, NumLockOn | Kept},
        {"F11 key", 0x57, NumLockOn | Kept},
        {"F12 key", 0x58, NumLockOn | Kept},
        {"Caps Lock", 0x3A, Plain},
        {"Pause key", 0x45, Plain},
        {"Scroll Lock", 0x46, Plain},
        {"plain 0x56", 0x56, NumLockOn},
        {"plain 0x59", 0x59, NumLockOn},
        {"letter A", 0x1E, ShiftDown},
        {"Tab key", 0x0F, Plain},
        {"Escape key", 0x01, Plain},
        {"keypad 7", 0x47, Kept},
        {"keypad 7", 0x47, NumLockOn},
        {"keypad 7", 0x47, NumLockOn | ShiftDown | Kept},
        {"keypad -", 0x4A, Plain},
        {"keypad +", 0x4E, Plain},
        {"keypad Delete", 0x53, Kept},
        {"keypad Delete", 0x53, NumLockOn},
        {"keypad Delete", 0x53, NumLockOn | ShiftDown | Kept},
        {"Alt+Print Screen", 0x54, Plain},
    };
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 50, 50, GraphicControlStyle, 0, nullptr);
    HWND c = ControlHandle(d, IDC_GRAPHIC);
    ObjectRecord* r = ObjectRecordFind(c);
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    for (auto [name, scan, flags] : keys) {
        std::copy(saved, saved + 256, state);
        state[VK_NUMLOCK] = flags & NumLockOn ? 0x01 : 0x80;
        state[VK_SHIFT] = flags & ShiftDown ? 0x80 : 0x01;
        SetKeyboardState(state);
        r->graphic.keySlot = 1;
        UINT extended = flags & Extended ? KF_EXTENDED << 16 : 0;
        SendMessageW(c, WM_KEYDOWN, 0, static_cast<LPARAM>(scan << 16 | extended | 1));
        EXPECT_EQ(r->graphic.keySlot, flags & Kept ? scan << 16 : 1u)
            << "keys: " << name << (flags & NumLockOn ? ", Num Lock on" : "")
            << (flags & ShiftDown ? ", Shift down" : "");
    }
    SetKeyboardState(saved);
}

namespace {
thread_local HHOOK sentHook = nullptr;
MessageLog sentLog;
HWND watched = nullptr;
LRESULT CALLBACK WatchSent(int code, WPARAM wp, LPARAM lp) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && cwp->hwnd == watched && (cwp->message == WM_VSCROLL || cwp->message == WM_HSCROLL))
        sentLog.Add(cwp->hwnd, cwp->message, cwp->wParam, cwp->lParam);
    return CallNextHookEx(sentHook, code, wp, lp);
}
}  // namespace

TEST(GraphicControlKeys, MessagesOfTheControl) {
    HWND d = DialogNew(UnitPixels, nullptr, L"", 10, 10, 100, 100, 0, 0);
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 50, 50, GraphicControlStyle, 0, nullptr);
    HWND c = ControlHandle(d, IDC_GRAPHIC);
    ObjectRecord* r = ObjectRecordFind(c);
    EXPECT_EQ(SendMessageW(c, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    r->graphic.keySlot = 0;
    EXPECT_EQ(SendMessageW(c, WM_CHAR, 'x', 0), 0);
    EXPECT_EQ(r->graphic.keySlot, static_cast<UINT>('x'));
    SendMessageW(c, WM_CHAR, '\t', 0);  // Tab goes on to the static
    EXPECT_EQ(r->graphic.keySlot, static_cast<UINT>('x'));
    EXPECT_EQ(SendMessageW(c, WM_KEYDOWN, VK_F5, (0x3F << 16) | 1), 0);
    EXPECT_EQ(r->graphic.keySlot, 0x3F0000u);
    EXPECT_EQ(SendMessageW(c, WM_SYSKEYDOWN, VK_F10, (0x44 << 16) | 1), 0);
    EXPECT_EQ(r->graphic.keySlot, 0x440000u);
    r->graphic.keySlot = 1;
    SendMessageW(c, WM_SYSKEYDOWN, VK_F4, (0x3E << 16) | 1);                       // other system keys pass on
    SendMessageW(c, WM_SYSKEYDOWN, VK_F10, (0x44 << 16) | KF_EXTENDED << 16 | 1);  // and an extended F10
    EXPECT_EQ(r->graphic.keySlot, 1u);

    sentLog.Clear();
    watched = c;
    sentHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchSent, nullptr, GetCurrentThreadId());
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), 0);
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
    UnhookWindowsHookEx(sentHook);
    const std::vector<ExpectedMessage> wheelScrolls = {
        {WM_VSCROLL, ExpectedMessage::Both, SB_LINEUP, 0, false},
        {WM_VSCROLL, ExpectedMessage::Both, SB_LINEDOWN, 0, false},
        {WM_HSCROLL, ExpectedMessage::Both, SB_LINELEFT, 0, false},
        {WM_VSCROLL, ExpectedMessage::Both, SB_LINEUP, 0, false},  // a delta of 0 counts as up
    };
    EXPECT_MESSAGES(sentLog, wheelScrolls);

    HWND other =
        CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE, 60, 0, 20, 20, d, nullptr, nullptr, nullptr);
    ShowWindow(d, SW_SHOW);
    SetFocus(c);
    EXPECT_TRUE(r->flags & FlagHasFocus);
    SetFocus(other);
    EXPECT_FALSE(r->flags & FlagHasFocus);
    SendMessageW(c, WM_LBUTTONDOWN, MK_LBUTTON, 0);  // a click gives the focus
    EXPECT_EQ(GetFocus(), c);
    EXPECT_TRUE(r->flags & FlagHasFocus);
    DestroyWindow(d);
    // After its record is gone the procedure answers 0 and goes nowhere.
    EXPECT_EQ(GraphicControlProc(c, WM_GETDLGCODE, 0, 0), 0);
}
