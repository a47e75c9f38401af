// Dialog creation, the graphic control, sizes and painting, on real windows.
#include <gtest/gtest.h>

#include <cstring>

#include "dialog/dialog.h"
#include "dialog_helpers.h"
#include "support/support.h"

TEST(DialogStyle, FinalStyleRules) {
    EXPECT_EQ(DialogFinalStyle(0, 10, 10, nullptr), 0x80C000D4u);
    EXPECT_EQ(DialogFinalStyle(MainDialogStyle, 10, 10, nullptr), 0x00020054u);
    EXPECT_EQ(DialogFinalStyle(MainDialogStyle | WS_VISIBLE | DS_SYSMODAL, 10, 10, nullptr), 0x00020054u);
    EXPECT_EQ(DialogFinalStyle(MainDialogStyle, DialogPositionDefault, 10, nullptr), 0x00020054u | DS_CENTER);
    EXPECT_EQ(DialogFinalStyle(MainDialogStyle, 10, DialogPositionDefault, nullptr), 0x00020054u | DS_CENTER);
    // A child without an owner becomes a popup; with one it stays a child.
    EXPECT_EQ(DialogFinalStyle(WS_CHILD | DS_ABSALIGN, 0, 0, nullptr), static_cast<DWORD>(WS_POPUP) | 0x54u);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(DialogFinalStyle(WS_CHILD | WS_POPUP | DS_ABSALIGN, 0, 0, owner),
              static_cast<DWORD>(WS_CHILD) | 0x54u);
}

TEST(DialogTemplate, BytesFieldByField) {
    alignas(4) BYTE t[DialogTemplateSize];
    memset(t, 0xEE, sizeof t);
    size_t n = DialogTemplateBuild(t, sizeof t, 0x00020054, 0x12345678, 10, -2, 302, 197, FontTableFind(1));
    auto word = [&](size_t at) {
        WORD v;
        memcpy(&v, t + at, 2);
        return v;
    };
    auto dword = [&](size_t at) {
        DWORD v;
        memcpy(&v, t + at, 4);
        return v;
    };
    EXPECT_EQ(word(0), 1);              // dlgVer
    EXPECT_EQ(word(2), 0xFFFF);         // signature: extended template
    EXPECT_EQ(dword(4), 0u);            // helpID
    EXPECT_EQ(dword(8), 0x12345678u);   // exStyle, unchanged
    EXPECT_EQ(dword(12), 0x00020054u);  // style
    EXPECT_EQ(word(16), 0);             // cDlgItems
    EXPECT_EQ(word(18), 10);            // x
    EXPECT_EQ(word(20), 0xFFFE);        // y: low 16 bits of -2
    EXPECT_EQ(word(22), 302);           // cx
    EXPECT_EQ(word(24), 197);           // cy
    EXPECT_EQ(word(26), 0);             // no menu
    EXPECT_EQ(word(28), 0);             // system dialog class
    EXPECT_EQ(word(30), L' ');          // title: one blank
    EXPECT_EQ(word(32), 0);
    EXPECT_EQ(word(34), 8);    // pointsize
    EXPECT_EQ(word(36), 400);  // weight
    EXPECT_EQ(t[38], 0);       // italic
    EXPECT_EQ(t[39], 0);       // charset
    const wchar_t face[] = L"MS Sans Serif";
    EXPECT_EQ(memcmp(t + 40, face, sizeof face), 0);  // typeface with its zero
    EXPECT_EQ(n, 40 + sizeof face);
    EXPECT_EQ(t[n], 0xEE);  // nothing written past the end
}

TEST(DialogNew, ViewerCallGivesHiddenDialogAtTenTen) {
    HWND d = ViewerDialog();
    DialogGuard guard(d);
    ASSERT_TRUE(d);
    EXPECT_FALSE(IsWindowVisible(d));
    RECT r;
    GetWindowRect(d, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    SIZE c = ClientSize(d);
    EXPECT_EQ(c.cx, 302);
    EXPECT_EQ(c.cy, 197);
    ObjectRecord* rec = ObjectRecordFind(d);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->flags, 0x40000002u);
    EXPECT_EQ(rec->parent, nullptr);
    EXPECT_EQ(rec->kind, KindDialog);
    EXPECT_EQ(rec->windowStyle, 0x00020054u);
    EXPECT_EQ(rec->showCommand, SW_SHOW);
    EXPECT_EQ(rec->dialogFont, reinterpret_cast<HFONT>(SendMessageW(d, WM_GETFONT, 0, 0)));
    EXPECT_TRUE(rec->dialogFont);
    // Style as the window has it: no system menu, no WS_VISIBLE.
    DWORD style = static_cast<DWORD>(GetWindowLongW(d, GWL_STYLE));
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_VISIBLE);
    EXPECT_EQ(GetWindowTextLengthW(d), 0);  // empty title, not the template's blank
}

TEST(DialogNew, ClientAreaIsExactWhateverTheFrame) {
    const DWORD styles[] = {0, MainDialogStyle, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, WS_POPUP | WS_BORDER};
    for (DWORD style : styles) {
        HWND d = DialogNew(UnitPixels, nullptr, L"T", 40, 30, 123, 77, style, 0);
        DialogGuard guard(d);
        ASSERT_TRUE(d);
        SIZE c = ClientSize(d);
        EXPECT_EQ(c.cx, 123) << std::hex << style;
        EXPECT_EQ(c.cy, 77) << std::hex << style;
        EXPECT_FALSE(IsWindowVisible(d));
    }
}

TEST(DialogNew, VisibleStyleHasNoEffectAndTitleIsSet) {
    HWND d = DialogNew(UnitPixels, nullptr, L"Caption \u00e9", 10, 10, 50, 50, WS_VISIBLE | MainDialogStyle, 0);
    DialogGuard guard(d);
    ASSERT_TRUE(d);
    EXPECT_FALSE(IsWindowVisible(d));
    wchar_t text[32] = {};
    GetWindowTextW(d, text, 32);
    EXPECT_STREQ(text, L"Caption \u00e9");
}

TEST(DialogNew, CentredByOuterSizeInWorkArea) {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND d = DialogNew(UnitPixels, nullptr, L"", DialogPositionDefault, 5, 200, 100, 0, 0);
    DialogGuard guard(d);
    ASSERT_TRUE(d);
    RECT r;
    GetWindowRect(d, &r);
    SIZE outer = OuterSize(d);
    EXPECT_EQ(r.left, (work.left + work.right - outer.cx) / 2);
    EXPECT_EQ(r.top, (work.top + work.bottom - outer.cy) / 2);
    EXPECT_EQ(DialogCentre(0, 1280, 300), 490);
    EXPECT_EQ(DialogCentre(0, 100, 300), 0);  // too large lands at 0

    HWND big = DialogNew(UnitPixels, nullptr, L"", DialogPositionDefault, DialogPositionDefault, work.right + 500,
                         work.bottom + 500, 0, 0);
    DialogGuard bigGuard(big);
    ASSERT_TRUE(big);
    GetWindowRect(big, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
}

TEST(DialogNew, OwnerClientOriginIsAdded) {
    HWND owner = DialogNew(UnitPixels, nullptr, L"owner", 100, 50, 300, 200, 0, 0);
    DialogGuard ownerGuard(owner);
    HWND d = DialogNew(UnitPixels, owner, L"", 10, 20, 50, 50, 0, 0);
    DialogGuard guard(d);
    ASSERT_TRUE(d);
    POINT origin{0, 0};
    ClientToScreen(owner, &origin);
    RECT r;
    GetWindowRect(d, &r);
    EXPECT_EQ(r.left, origin.x + 10);
    EXPECT_EQ(r.top, origin.y + 20);
    EXPECT_EQ(ObjectRecordFind(d)->parent, owner);
}

TEST(DialogNew, ChildWithoutOwnerIsPopup) {
    HWND d = DialogNew(UnitPixels, nullptr, L"", 10, 10, 50, 50, WS_CHILD, 0);
    DialogGuard guard(d);
    ASSERT_TRUE(d);
    DWORD style = static_cast<DWORD>(GetWindowLongW(d, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CHILD);
}

TEST(DialogNew, DialogUnitsAreLeftToTheTemplate) {
    HWND d = DialogNew(UnitDialog, nullptr, L"", 0, 0, 100, 50, 0, 0);
    DialogGuard guard(d);
    ASSERT_TRUE(d);
    EXPECT_EQ(ObjectRecordFind(d)->flags, 0x40000001u);
    RECT units{0, 0, 100, 50};
    MapDialogRect(d, &units);
    SIZE c = ClientSize(d);
    EXPECT_EQ(c.cx, units.right);
    EXPECT_EQ(c.cy, units.bottom);
}

TEST(Sizes, DialogSetSizeSetsOuterSizeAndNeverMoves) {
    HWND d = ViewerDialog();
    DialogGuard guard(d);
    DialogSetSize(d, 306, 229);
    SIZE outer = OuterSize(d);
    EXPECT_EQ(outer.cx, 306);
    EXPECT_EQ(outer.cy, 229);
    RECT r;
    GetWindowRect(d, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    ControlSetSize(d, 999, 5, 5);  // no such control: nothing changes
    outer = OuterSize(d);
    EXPECT_EQ(outer.cx, 306);
}

TEST(Sizes, SetTextEmptiesCaption) {
    HWND d = DialogNew(UnitPixels, nullptr, L"start", 10, 10, 50, 50, 0, 0);
    DialogGuard guard(d);
    DialogSetText(d, L"cat.png");
    wchar_t text[16] = {};
    GetWindowTextW(d, text, 16);
    EXPECT_STREQ(text, L"cat.png");
    DialogSetText(d, L"");
    EXPECT_EQ(GetWindowTextLengthW(d), 0);
}

TEST(Leaks, DialogsWithControlsLeaveNothingBehind) {
    int records = ObjectRecordCount();
    // Warm up: fonts and classes made once per process.
    for (int i = 0; i < 2; ++i) DestroyWindow(ViewerDialog());
    int objects = GdiObjectsLive();
    for (int i = 0; i < 50; ++i) {
        HWND d = ViewerDialog();
        ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 150, 81, GraphicControlStyle, 0, nullptr);
        ControlAddGraphic(d, 1002, L"", 0, 0, 30, 30, 0, 0, nullptr);
        GraphicAttach(d, IDC_GRAPHIC, FALSE);
        const LONG backgrounds[] = {0xFFFFFF, ColorTransparent, ColorDefault};
        GraphicSetColor(ColorDefault, backgrounds[i % 3]);
        GraphicClear(ColorDefault, 0);
        ControlSetSize(d, IDC_GRAPHIC, 300, 200);
        GraphicDetach();
        DestroyWindow(d);
    }
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}

namespace {
// Registers a record for the next window of the given class while it is
// being created, so that the layer's own registration of it fails.
thread_local HHOOK squatHook = nullptr;
thread_local const wchar_t* squatClass = nullptr;
thread_local HWND squatted = nullptr;

LRESULT CALLBACK Squat(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && !squatted) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        const wchar_t* cls = create->lpcs->lpszClass;
        bool match =
            IS_INTRESOURCE(cls) ? cls == squatClass : !IS_INTRESOURCE(squatClass) && _wcsicmp(cls, squatClass) == 0;
        if (match) {
            squatted = reinterpret_cast<HWND>(wParam);
            ObjectRecordAdd(squatted, nullptr, 3, 0);
        }
    }
    return CallNextHookEx(squatHook, code, wParam, lParam);
}

void SquatNext(const wchar_t* cls) {
    squatClass = cls;
    squatted = nullptr;
    squatHook = SetWindowsHookExW(WH_CBT, Squat, nullptr, GetCurrentThreadId());
}

void SquatStop() { UnhookWindowsHookEx(squatHook); }
}  // namespace

TEST(RegistrationFailure, ControlWithoutRecordIsNotLeftBehind) {
    HWND d = ViewerDialog();
    DialogGuard guard(d);
    SquatNext(L"STATIC");
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 150, 81, GraphicControlStyle, 0, nullptr);
    SquatStop();
    ASSERT_TRUE(squatted);
    EXPECT_EQ(ControlHandle(d, IDC_GRAPHIC), nullptr);  // the caller sees no control
    EXPECT_FALSE(IsWindow(squatted));                   // and none is left in the dialog
    ObjectRecord* squatter = ObjectRecordFind(squatted);
    ASSERT_TRUE(squatter);
    EXPECT_EQ(squatter->kind, 3);  // the record that was there is unchanged
    ObjectRecordRelease(squatted);
}

TEST(RegistrationFailure, DialogWithoutRecordIsNotLeftBehind) {
    int records = ObjectRecordCount();
    SquatNext(MAKEINTRESOURCEW(0x8002));  // the system dialog class, #32770
    HWND d = ViewerDialog();
    SquatStop();
    ASSERT_TRUE(squatted);
    EXPECT_EQ(d, nullptr);
    EXPECT_FALSE(IsWindow(squatted));
    ObjectRecord* squatter = ObjectRecordFind(squatted);
    ASSERT_TRUE(squatter) << "the clean-up released a record it did not make";
    EXPECT_EQ(squatter->kind, 3);
    ObjectRecordRelease(squatted);
    EXPECT_EQ(ObjectRecordCount(), records);
}
