// Dialog creation, the graphic control, sizes and painting, on real windows.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

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
    // Word by word up to the typeface: the header of an extended template.
    const WORD header[] = {
        1,      0xFFFF,  // dlgVer; signature: extended template
        0,      0,       // helpID
        0x5678, 0x1234,  // exStyle, unchanged
        0x0054, 0x0002,  // style
        0,               // cDlgItems
        10,     0xFFFE,  // x; y: low 16 bits of -2
        302,    197,     // cx, cy
        0,      0,       // no menu; the system dialog class
        L' ',   0,       // title: one blank
        8,      400,     // pointsize, weight
        0,               // italic and charset bytes
    };
    for (size_t i = 0; i < std::size(header); ++i) {
        WORD v;
        memcpy(&v, t + 2 * i, 2);
        EXPECT_EQ(v, header[i]) << "at byte " << 2 * i;
    }
    const wchar_t face[] = L"MS Sans Serif";
    EXPECT_EQ(memcmp(t + 2 * std::size(header), face, sizeof face), 0);  // typeface with its zero
    EXPECT_EQ(n, 40 + sizeof face);
    EXPECT_EQ(t[n], 0xEE);  // nothing written past the end
}

TEST(DialogNew, ViewerCallGivesHiddenDialogAtTenTen) {
    DialogGuard d(ViewerDialog());
    ASSERT_TRUE(d);
    EXPECT_FALSE(IsWindowVisible(d));
    EXPECT_EQ(TopLeft(d), (POINT{10, 10}));
    EXPECT_EQ(ClientSize(d), (SIZE{302, 197}));
    ObjectRecord* rec = ObjectRecordFind(d);
    ASSERT_TRUE(rec);
    EXPECT_EQ(FlagNames(rec->flags), "Dialog Pixels");
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
        DialogGuard d(DialogNew(UnitPixels, nullptr, L"T", 40, 30, 123, 77, style, 0));
        ASSERT_TRUE(d);
        EXPECT_EQ(ClientSize(d), (SIZE{123, 77})) << std::hex << style;
        EXPECT_FALSE(IsWindowVisible(d));
    }
}

TEST(DialogNew, VisibleStyleHasNoEffectAndTitleIsSet) {
    DialogGuard d(
        DialogNew(UnitPixels, nullptr, L"Caption \u00e9", 10, 10, 50, 50, WS_VISIBLE | MainDialogStyle, 0));
    ASSERT_TRUE(d);
    EXPECT_FALSE(IsWindowVisible(d));
    EXPECT_EQ(WindowText(d), L"Caption \u00e9");
}

TEST(DialogNew, CentredByOuterSizeInWorkArea) {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    DialogGuard d(DialogNew(UnitPixels, nullptr, L"", DialogPositionDefault, 5, 200, 100, 0, 0));
    ASSERT_TRUE(d);
    SIZE outer = OuterSize(d);
    EXPECT_EQ(TopLeft(d), (POINT{(work.left + work.right - outer.cx) / 2, (work.top + work.bottom - outer.cy) / 2}));
    EXPECT_EQ(DialogCentre(0, 1280, 300), 490);
    EXPECT_EQ(DialogCentre(0, 100, 300), 0);  // too large lands at 0

    DialogGuard big(DialogNew(UnitPixels, nullptr, L"", DialogPositionDefault, DialogPositionDefault,
                              work.right + 500, work.bottom + 500, 0, 0));
    ASSERT_TRUE(big);
    EXPECT_EQ(TopLeft(big), (POINT{0, 0}));
}

TEST(DialogNew, OwnerClientOriginIsAdded) {
    DialogGuard owner(DialogNew(UnitPixels, nullptr, L"owner", 100, 50, 300, 200, 0, 0));
    DialogGuard d(DialogNew(UnitPixels, owner, L"", 10, 20, 50, 50, 0, 0));
    ASSERT_TRUE(d);
    POINT origin{10, 20};
    ClientToScreen(owner, &origin);
    EXPECT_EQ(TopLeft(d), origin);
    EXPECT_EQ(ObjectRecordFind(d)->parent, owner);
}

TEST(DialogNew, ChildWithoutOwnerIsPopup) {
    DialogGuard d(DialogNew(UnitPixels, nullptr, L"", 10, 10, 50, 50, WS_CHILD, 0));
    ASSERT_TRUE(d);
    DWORD style = static_cast<DWORD>(GetWindowLongW(d, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CHILD);
}

TEST(DialogNew, DialogUnitsAreLeftToTheTemplate) {
    DialogGuard d(DialogNew(UnitDialog, nullptr, L"", 0, 0, 100, 50, 0, 0));
    ASSERT_TRUE(d);
    EXPECT_EQ(FlagNames(ObjectRecordFind(d)->flags), "Dialog DialogUnits");
    RECT units{0, 0, 100, 50};
    MapDialogRect(d, &units);
    EXPECT_EQ(ClientSize(d), (SIZE{units.right, units.bottom}));
}

TEST(Sizes, DialogSetSizeSetsOuterSizeAndNeverMoves) {
    DialogGuard d(ViewerDialog());
    DialogSetSize(d, 306, 229);
    EXPECT_EQ(OuterSize(d), (SIZE{306, 229}));
    EXPECT_EQ(TopLeft(d), (POINT{10, 10}));
    ControlSetSize(d, 999, 5, 5);  // no such control: nothing changes
    EXPECT_EQ(OuterSize(d), (SIZE{306, 229}));
}

TEST(Sizes, SetTextEmptiesCaption) {
    DialogGuard d(DialogNew(UnitPixels, nullptr, L"start", 10, 10, 50, 50, 0, 0));
    DialogSetText(d, L"cat.png");
    EXPECT_EQ(WindowText(d), L"cat.png");
    DialogSetText(d, L"");
    EXPECT_EQ(GetWindowTextLengthW(d), 0);
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
    DialogGuard d(ViewerDialog());
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
