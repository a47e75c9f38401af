// Object registry and font table.
#include <gtest/gtest.h>

#include "graphic/graphic.h"
#include "support/support.h"

namespace {

HANDLE Fake(UINT_PTR n) { return reinterpret_cast<HANDLE>(0x7F000000 + n); }
HWND FakeWindow(UINT_PTR n) { return static_cast<HWND>(Fake(n)); }

}  // namespace

TEST(Registry, DuplicateAddFailsAndKeepsTheFirst) {
    int before = ObjectRecordCount();
    ObjectRecord* first = ObjectRecordAdd(Fake(1), FakeWindow(9), KindDialog, FlagDialog | FlagPixels);
    ASSERT_TRUE(first);
    first->windowStyle = 0x1234;
    EXPECT_EQ(ObjectRecordAdd(Fake(1), nullptr, KindGraphicBitmap, 0), nullptr);
    ObjectRecord* found = ObjectRecordFind(Fake(1));
    EXPECT_EQ(found, first);
    EXPECT_EQ(std::tuple(found->kind, found->parent, found->flags, found->windowStyle),
              std::tuple(KindDialog, FakeWindow(9), FlagDialog | FlagPixels, 0x1234u));
    EXPECT_EQ(ObjectRecordCount(), before + 1);
    ObjectRecordRelease(Fake(1));
    EXPECT_EQ(ObjectRecordCount(), before);
}

TEST(Registry, NewestFirstAndFirstControl) {
    ObjectRecordAdd(Fake(10), nullptr, KindDialog, FlagDialog);
    ObjectRecordAdd(Fake(11), FakeWindow(10), KindDialog, 0);  // not a control
    EXPECT_EQ(ObjectRecordFirstControl(Fake(10)), nullptr);
    ObjectRecordAdd(Fake(12), FakeWindow(10), 3, FlagControl);
    ObjectRecordAdd(Fake(13), FakeWindow(10), 3, FlagControl);
    EXPECT_EQ(ObjectRecordFirstControl(Fake(10)), Fake(13));  // newest first
    EXPECT_EQ(ObjectRecordFind(Fake(13))->next, ObjectRecordFind(Fake(12)));
    for (UINT_PTR n : {10, 11}) ObjectRecordRelease(Fake(n));
    EXPECT_EQ(ObjectRecordFind(Fake(11)), nullptr);
}

TEST(Registry, ReleasingAParentReleasesControlsFirstAndTwiceIsHarmless) {
    int before = ObjectRecordCount();
    ObjectRecordAdd(Fake(20), nullptr, KindDialog, FlagDialog);
    ObjectRecordAdd(Fake(21), FakeWindow(20), 3, FlagControl);
    ObjectRecordAdd(Fake(22), FakeWindow(20), 3, FlagControl);
    ObjectRecordAdd(Fake(23), FakeWindow(21), 3, FlagControl);   // a control's own control
    ObjectRecordAdd(Fake(24), nullptr, KindDialog, FlagDialog);  // unrelated
    ObjectRecordRelease(Fake(20));
    for (UINT_PTR n : {20, 21, 22, 23}) EXPECT_EQ(ObjectRecordFind(Fake(n)), nullptr) << n;
    EXPECT_TRUE(ObjectRecordFind(Fake(24)));
    ObjectRecordRelease(Fake(20));
    ObjectRecordRelease(Fake(24));
    ObjectRecordRelease(Fake(24));
    ObjectRecordRelease(nullptr);
    EXPECT_EQ(ObjectRecordCount(), before);
}

TEST(Registry, GraphicRecordsGetSystemColoursAndASharedBrush) {
    ObjectRecord* a = ObjectRecordAdd(Fake(30), nullptr, KindGraphicBitmap, 0);
    ObjectRecord* b = ObjectRecordAdd(Fake(31), nullptr, KindGraphicControl, 0);
    ObjectRecord* d = ObjectRecordAdd(Fake(32), nullptr, KindDialog, 0);
    ASSERT_TRUE(a && b && d);
    EXPECT_EQ(
        std::pair(a->graphic.foreground, a->graphic.background),
        std::pair(static_cast<LONG>(GetSysColor(COLOR_WINDOWTEXT)), static_cast<LONG>(GetSysColor(COLOR_BTNFACE))));
    EXPECT_TRUE(a->graphic.backgroundBrush);
    EXPECT_EQ(a->graphic.backgroundBrush, b->graphic.backgroundBrush);
    EXPECT_EQ(d->graphic.backgroundBrush, nullptr);
    HBRUSH shared = a->graphic.backgroundBrush;
    ObjectRecordRelease(Fake(30));
    EXPECT_EQ(GetObjectType(shared), static_cast<DWORD>(OBJ_BRUSH));  // still used by b
    ObjectRecordRelease(Fake(31));
    EXPECT_EQ(GetObjectType(shared), 0u);  // deleted with the last
    ObjectRecordRelease(Fake(32));
}

TEST(Registry, BrushSharedAcrossColourChanges) {
    HBITMAP one = GraphicBitmapNew(4, 4);
    HBITMAP two = GraphicBitmapNew(4, 4);
    GraphicAttach(one, 0, FALSE);
    GraphicSetColor(ColorUnchanged, 0x00ABCDEF);
    GraphicAttach(two, 0, FALSE);
    GraphicSetColor(ColorUnchanged, 0x00ABCDEF);
    HBRUSH brush = ObjectRecordFind(one)->graphic.backgroundBrush;
    EXPECT_EQ(ObjectRecordFind(two)->graphic.backgroundBrush, brush);
    GraphicSetColor(ColorUnchanged, 0x00ABCDEF);  // same colour again keeps it
    EXPECT_EQ(ObjectRecordFind(two)->graphic.backgroundBrush, brush);
    GraphicSetColor(ColorUnchanged, 0x00000001);  // two leaves: one still holds it
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    GraphicAttach(one, 0, FALSE);
    GraphicBitmapEnd();  // the last holder of 0xABCDEF
    EXPECT_EQ(GetObjectType(brush), 0u);
    GraphicAttach(two, 0, FALSE);
    GraphicBitmapEnd();
}

TEST(FontTable, EntriesAsBuilt) {
    for (int n : {1, 2, 3}) ASSERT_TRUE(FontTableFind(n)) << n;
    EXPECT_EQ(FontTableFind(0), nullptr);
    EXPECT_EQ(FontTableFind(4), nullptr);
    auto entry = [](int n) {
        const LOGFONTW& f = FontTableFind(n)->logFont;
        return std::tuple(std::wstring(f.lfFaceName), FontTableFind(n)->pointSize, f.lfWeight, int(f.lfItalic),
                          int(f.lfCharSet), int(f.lfPitchAndFamily), FontTableFind(n)->next);
    };
    EXPECT_EQ(entry(1), std::tuple(L"MS Sans Serif", 8.0f, 400, 0, ANSI_CHARSET, 0, FontTableFind(2)));
    EXPECT_EQ(entry(2), std::tuple(L"Lucida Console", 0.0f, 400, 0, ANSI_CHARSET, FIXED_PITCH, FontTableFind(3)));
    EXPECT_EQ(entry(3), std::tuple(L"Lucida Console", 11.0f, 400, 0, ANSI_CHARSET, FIXED_PITCH, nullptr));
    FontEntry* e1 = FontTableFind(1);
    FontTableBuild();  // a second build changes nothing
    EXPECT_EQ(FontTableFind(1), e1);
}

TEST(FontTable, CanvasesShareOneFontAndCountUses) {
    FontEntry* e1 = FontTableFind(1);
    LONG uses = e1->useCount;
    HBITMAP a = GraphicBitmapNew(2, 2);
    HBITMAP b = GraphicBitmapNew(2, 2);
    EXPECT_EQ(e1->useCount, uses + 2);
    ASSERT_TRUE(e1->font);
    for (HBITMAP x : {a, b}) EXPECT_EQ(GetCurrentObject(ObjectRecordFind(x)->graphic.canvasDC, OBJ_FONT), e1->font);
    EXPECT_EQ(ObjectRecordFind(a)->graphic.fontNumber, 1);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(e1->logFont.lfHeight, -(dpi * 8 / 72));
    if (dpi == 96) {
        EXPECT_EQ(e1->logFont.lfHeight, -10);
    }
    GraphicAttach(a, 0, FALSE);
    GraphicBitmapEnd();
    EXPECT_EQ(e1->useCount, uses + 1);
    GraphicAttach(b, 0, FALSE);
    GraphicBitmapEnd();
    EXPECT_EQ(e1->useCount, uses);
    EXPECT_EQ(GetObjectType(e1->font), static_cast<DWORD>(OBJ_FONT));  // kept for the next canvas
}
