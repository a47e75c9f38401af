// The graphic control in a dialog: window, resize, painting and keys.
#include <gtest/gtest.h>

#include "dialog_helpers.h"
#include "graphic/operation.h"
#include "support/support.h"

namespace {
constexpr auto B = ExpectedMessage::Both;
}  // namespace

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

TEST(Resize, BorderIsAllowedFor) {
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, 4, L"", 0, 0, 50, 50, GraphicControlStyle | WS_BORDER, 0, nullptr);
    HWND c = ControlHandle(d, 4);
    ControlSetSize(d, 4, 100, 60);
    EXPECT_EQ(OuterSize(c), (SIZE{100, 60}));
    EXPECT_EQ(CanvasSizes(ObjectRecordFind(c)), (SizePair{ClientSize(c), ClientSize(c)}));
    EXPECT_LT(ClientSize(c).cx, 100);
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
    GraphicDetach();
}

TEST(Painting, DrawItemPaintsOnlyForDrawEntire) {
    DialogGuard d(ViewerDialog());
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 20, 10, GraphicControlStyle, 0, nullptr);
    GraphicAttach(d, IDC_GRAPHIC, TRUE);
    GraphicClear(0x0000FF, 0);
    GraphicDetach();
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC mem(CreateCompatibleDC(screen.get()));
    ScopedBitmap target(CreateCompatibleBitmap(screen.get(), 20, 10));
    ScopedSelection selected(mem.get(), target.get());
    RECT all{0, 0, 20, 10};
    FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = IDC_GRAPHIC;
    item.itemAction = ODA_FOCUS;
    item.hwndItem = ControlHandle(d, IDC_GRAPHIC);
    item.hDC = mem.get();
    item.rcItem = all;
    EXPECT_EQ(DialogDispatch(d, WM_DRAWITEM, IDC_GRAPHIC, reinterpret_cast<LPARAM>(&item)), FALSE);
    EXPECT_TRUE(PixelsAre(DcPixels(mem.get(), 0, 0, 20, 10), 20, 10, 0xFFFFFF));
    item.itemAction = ODA_DRAWENTIRE | ODA_FOCUS;
    EXPECT_EQ(DialogDispatch(d, WM_DRAWITEM, IDC_GRAPHIC, reinterpret_cast<LPARAM>(&item)), TRUE);
    EXPECT_TRUE(PixelsAre(DcPixels(mem.get(), 0, 0, 20, 10), 20, 10, 0xFF0000));
    item.CtlID = 1002;  // no such graphic control
    EXPECT_EQ(DialogDispatch(d, WM_DRAWITEM, 1002, reinterpret_cast<LPARAM>(&item)), FALSE);
}

TEST(Painting, RedrawOfBitmapShowsNothingAndKeepsPixels) {
    HBITMAP b = GraphicBitmapNew(8, 8);
    GraphicAttach(b, 0, FALSE);
    GraphicClear(0x123456, 0);
    GraphicRedraw();
    EXPECT_TRUE(PixelsAre(DcPixels(GraphicGetDC(), 0, 0, 8, 8), 8, 8, Rgb(0x123456)));
    GraphicBitmapEnd();
}

TEST(GraphicControlKeys, KeySlotRules) {
    auto lp = [](UINT scan, bool extended) {
        return static_cast<LPARAM>((scan << 16) | (extended ? 1u << 24 : 0) | 1);
    };
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x48, true), true, false));   // arrow up (extended)
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x1C, true), true, false));  // keypad Enter
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x35, true), true, false));  // keypad /
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x45, true), false, false));
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x3B, false), true, false));    // F1
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x44, false), true, false));    // F10
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x57, false), true, false));    // F11
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x58, false), true, false));    // F12
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x1E, false), false, true));   // 'A'
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x0F, false), false, false));  // Tab
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x01, false), false, false));  // Escape
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x48, false), false, false));   // keypad 8, NumLock off
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x48, false), true, false));   // NumLock on
    EXPECT_TRUE(GraphicKeyIsStored(lp(0x48, false), true, true));     // NumLock on, Shift down
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x4A, false), false, false));  // keypad -
    EXPECT_FALSE(GraphicKeyIsStored(lp(0x4E, false), false, false));  // keypad +
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
    SendMessageW(c, WM_SYSKEYDOWN, VK_F4, (0x3E << 16) | 1);  // other system keys pass on
    EXPECT_EQ(r->graphic.keySlot, 0x440000u);

    sentLog.Clear();
    watched = c;
    sentHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchSent, nullptr, GetCurrentThreadId());
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    SendMessageW(c, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), 0);
    UnhookWindowsHookEx(sentHook);
    const std::vector<ExpectedMessage> wheelScrolls = {
        {WM_VSCROLL, B, SB_LINEUP, 0, false},
        {WM_VSCROLL, B, SB_LINEDOWN, 0, false},
        {WM_HSCROLL, B, SB_LINELEFT, 0, false},
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
