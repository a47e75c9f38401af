// Graphic bitmaps and the drawing target, checked on the pixels.
#include <gtest/gtest.h>

#include "dialog/dialog.h"
#include "dialog_helpers.h"
#include "graphic/operation.h"
#include "support/support.h"

namespace {

// A bitmap attached as target, cleared to `colour`; ended on scope exit.
class Target {
public:
    Target(int w, int h, LONG colour = 0xFFFFFF) : bitmap_(GraphicBitmapNew(w, h)) {
        GraphicAttach(bitmap_, 0, FALSE);
        GraphicSetColor(ColorDefault, 0xFFFFFF);
        GraphicClear(colour, 0);
    }
    ~Target() {
        GraphicAttach(bitmap_, 0, FALSE);
        GraphicBitmapEnd();
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    HBITMAP get() const { return bitmap_; }
    ObjectRecord* record() const { return ObjectRecordFind(bitmap_); }

private:
    HBITMAP bitmap_;
};

}  // namespace

TEST(GraphicBitmap, NewRecordsItsCanvas) {
    HBITMAP b = GraphicBitmapNew(640, 480);
    ASSERT_TRUE(b);
    EXPECT_EQ(GraphicCurrentTarget(), nullptr);  // not attached by making it
    ObjectRecord* r = ObjectRecordFind(b);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, KindGraphicBitmap);
    EXPECT_EQ(r->flags, FlagDeferredRedraw | FlagPixels);
    EXPECT_EQ(r->parent, nullptr);
    EXPECT_EQ(GetCurrentObject(r->graphic.canvasDC, OBJ_BITMAP), b);
    EXPECT_EQ(GetTextColor(r->graphic.canvasDC), static_cast<COLORREF>(r->graphic.foreground));
    EXPECT_EQ(GetBkMode(r->graphic.canvasDC), OPAQUE);
    GraphicAttach(b, 0, FALSE);
    GraphicCanvas c = GraphicGetCanvas();
    EXPECT_EQ(c.width, 640.0);
    EXPECT_EQ(c.height, 480.0);
    EXPECT_TRUE(ObjectRecordFind(b)->flags & FlagDeferredRedraw);  // always deferred
    GraphicBitmapEnd();
    EXPECT_EQ(GraphicCurrentTarget(), nullptr);
    EXPECT_EQ(ObjectRecordFind(b), nullptr);
    EXPECT_EQ(GetObjectType(b), 0u);
    GraphicAttach(b, 0, FALSE);  // an ended bitmap no longer resolves
    EXPECT_EQ(ErrorCode(), ErrorBadTarget);
}

TEST(GraphicBitmap, NoTargetDoesNothing) {
    ErrorScope scope;
    int records = ObjectRecordCount();
    Target other(10, 10, 0x0000FF);
    GraphicAttach(nullptr, 0, FALSE);
    EXPECT_EQ(ErrorCode(), ErrorBadTarget);
    EXPECT_EQ(GraphicCurrentTarget(), nullptr);
    EXPECT_EQ(GraphicGetDC(), nullptr);
    GraphicCanvas c = GraphicGetCanvas();
    EXPECT_EQ(c.width, 0.0);
    EXPECT_EQ(c.height, 0.0);
    GraphicClear(0x00FF00, 0);
    GraphicCopy(other.get(), 0, 0);
    GraphicSetColor(1, 2);
    GraphicRedraw();
    GraphicBitmapEnd();
    EXPECT_EQ(ObjectRecordCount(), records + 1);
    EXPECT_EQ(PixelsCount(CanvasPixels(other.get()), 0xFF0000), 100);  // untouched
    EXPECT_EQ(ErrorCode(), 0);                                         // only the attach records an error
}

TEST(GraphicClear, StylesOnPixels) {
    Target t(32, 32);
    GraphicSetColor(ColorDefault, 0xFFFFFF);
    const uint32_t red = 0xFF0000, white = 0xFFFFFF;
    GraphicClear(0x0000FF, 0);
    EXPECT_EQ(PixelsCount(CanvasPixels(t.get()), red), 32 * 32);
    GraphicClear(ColorDefault, 9);  // style above 6 counts as 0: background
    EXPECT_EQ(PixelsCount(CanvasPixels(t.get()), white), 32 * 32);
    GraphicClear(0x0000FF, -1);  // negative: above 6 unsigned
    EXPECT_EQ(PixelsCount(CanvasPixels(t.get()), red), 32 * 32);

    GraphicClear(0x0000FF, 1);  // horizontal hatch: whole rows, one in eight
    Pixels p = CanvasPixels(t.get());
    EXPECT_EQ(PixelsCount(p, red), 32 * 4);
    EXPECT_EQ(PixelsCount(p, white), 32 * 28);
    for (int y = 0; y < 32; ++y) {
        int inRow = 0;
        for (int x = 0; x < 32; ++x) inRow += p[y * 32 + x] == red;
        EXPECT_TRUE(inRow == 0 || inRow == 32) << "row " << y;
    }
    GraphicClear(0x0000FF, 2);  // vertical: whole columns
    p = CanvasPixels(t.get());
    EXPECT_EQ(PixelsCount(p, red), 32 * 4);
    for (int x = 0; x < 32; ++x) {
        int inColumn = 0;
        for (int y = 0; y < 32; ++y) inColumn += p[y * 32 + x] == red;
        EXPECT_TRUE(inColumn == 0 || inColumn == 32) << "column " << x;
    }
    Pixels previous;
    for (int style = 3; style <= 6; ++style) {
        GraphicClear(0x0000FF, style);
        p = CanvasPixels(t.get());
        int n = PixelsCount(p, red);
        EXPECT_GT(n, 0) << style;
        EXPECT_LT(n, 32 * 32 / 2) << style;
        EXPECT_EQ(n + PixelsCount(p, white), 32 * 32) << style;
        EXPECT_NE(p, previous) << style;
        previous = p;
    }
}

TEST(GraphicSetColor, UnchangedAndTransparent) {
    Target t(8, 8);
    HDC dc = GraphicGetDC();
    GraphicSetColor(0x00112233, 0x00445566);
    EXPECT_EQ(GetTextColor(dc), 0x00112233u);
    EXPECT_EQ(GetBkColor(dc), 0x00445566u);
    GraphicSetColor(ColorUnchanged, 0x0000FF);
    EXPECT_EQ(GetTextColor(dc), 0x00112233u);  // only the background changed
    EXPECT_EQ(GetBkColor(dc), 0x000000FFu);
    EXPECT_EQ(t.record()->graphic.foreground, 0x00112233);
    EXPECT_EQ(t.record()->graphic.background, 0x000000FF);
    GraphicSetColor(0x7F00FF00, ColorUnchanged);  // masked to 24 bits
    EXPECT_EQ(t.record()->graphic.foreground, 0x0000FF00);
    EXPECT_EQ(t.record()->graphic.background, 0x000000FF);
    GraphicSetColor(ColorDefault, ColorTransparent);
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(t.record()->graphic.background, ColorTransparent);
    GraphicClear(0x0000FF, 0);
    GraphicClear(ColorDefault, 0);  // transparent background paints nothing
    EXPECT_EQ(PixelsCount(CanvasPixels(t.get()), 0xFF0000), 64);
    GraphicSetColor(ColorUnchanged, ColorDefault);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
}

TEST(GraphicCopy, TopLeftOnlyAndTheRestKept) {
    Target source(300, 200);
    ObjectRecord* s = source.record();
    for (int y = 0; y < 200; y += 1)
        for (int x = 0; x < 300; x += 1) SetPixel(s->graphic.canvasDC, x, y, RGB(x & 0xFF, y, 9));
    Target target(100, 400, 0x00FF00);
    target.record()->graphic.changedLeft = target.record()->graphic.changedTop = 0xFFFFFFFF;
    target.record()->graphic.changedRight = target.record()->graphic.changedBottom = 0;
    GraphicCopy(source.get(), 0, 0xCC0020);
    Pixels p = CanvasPixels(target.get());
    int wrong = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 100; ++x) {
            uint32_t want = y < 200 ? Rgb(RGB(x, y, 9)) : 0x00FF00;
            wrong += p[static_cast<size_t>(y) * 100 + x] != want;
        }
    EXPECT_EQ(wrong, 0);
    const GraphicState& g = target.record()->graphic;
    EXPECT_EQ(g.changedLeft, 0u);
    EXPECT_EQ(g.changedTop, 0u);
    EXPECT_EQ(g.changedRight, 100u);  // the whole target, clamped
    EXPECT_EQ(g.changedBottom, 400u);
    EXPECT_TRUE(target.record()->flags & FlagChangePending);
}

TEST(GraphicCopy, MixNumbers) {
    Target source(4, 4, 0x00F0F0F0);
    Target target(4, 4);
    auto run = [&](int mix) {
        GraphicClear(0x000F0FFF, 0);  // target colour before each copy
        GraphicCopy(source.get(), 0, mix);
        return CanvasPixels(target.get())[0];
    };
    EXPECT_EQ(run(0xCC0020), Rgb(0x00F0F0F0));  // outside 0..15: plain copy
    EXPECT_EQ(run(13), Rgb(0x00F0F0F0));
    EXPECT_EQ(run(-5), Rgb(0x00F0F0F0));
    EXPECT_EQ(run(7), Rgb(0x00F0F0F0 ^ 0x000F0FFF));
    EXPECT_EQ(run(9), Rgb(0x00F0F0F0 & 0x000F0FFF));
    EXPECT_EQ(run(15), Rgb(0x00F0F0F0 | 0x000F0FFF));
    EXPECT_EQ(run(4), Rgb(~0x00F0F0F0u & 0xFFFFFF));
    // A source that names nothing copies nothing.
    GraphicClear(0x00123456, 0);
    GraphicCopy(nullptr, 0, 0);
    EXPECT_EQ(CanvasPixels(target.get())[0], Rgb(0x00123456));
}

TEST(GraphicMarkChanged, SwapClampMerge) {
    Target t(100, 50);
    ObjectRecord* r = t.record();
    GraphicState& g = r->graphic;
    g.changedLeft = g.changedTop = 0xFFFFFFFF;
    g.changedRight = g.changedBottom = 0;
    r->flags &= ~FlagChangePending;
    GraphicMarkChanged(r, 80, 40, -5, 70);
    EXPECT_EQ(g.changedLeft, 0u);
    EXPECT_EQ(g.changedTop, 40u);
    EXPECT_EQ(g.changedRight, 80u);
    EXPECT_EQ(g.changedBottom, 50u);
    EXPECT_TRUE(r->flags & FlagChangePending);
    GraphicMarkChanged(r, 10, 5, 20, 6);
    EXPECT_EQ(g.changedTop, 5u);
    EXPECT_EQ(g.changedRight, 80u);
    GraphicClear(ColorDefault, 0);
    EXPECT_EQ(g.changedLeft, 0u);
    EXPECT_EQ(g.changedTop, 0u);
    EXPECT_EQ(g.changedRight, 100u);
    EXPECT_EQ(g.changedBottom, 50u);
}

TEST(GraphicAttach, ControlsAndWhatDoesNotResolve) {
    ErrorScope scope;
    HWND d = DialogNew(UnitPixels, nullptr, L"", 10, 10, 100, 100, 0, 0);
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 50, 40, GraphicControlStyle, 0, nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 50, 20, 20, d, reinterpret_cast<HMENU>(5),
                                  nullptr, nullptr);
    HWND control = ControlHandle(d, IDC_GRAPHIC);
    // A new control becomes the target of a thread that has none.
    EXPECT_EQ(GraphicCurrentTarget(), control);
    GraphicAttach(d, 5, FALSE);
    EXPECT_EQ(ErrorCode(), ErrorBadTarget);
    EXPECT_EQ(GraphicCurrentTarget(), nullptr);
    GraphicAttach(d, IDC_GRAPHIC, FALSE);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(GraphicCurrentTarget(), control);
    EXPECT_FALSE(ObjectRecordFind(control)->flags & FlagDeferredRedraw);
    GraphicAttach(control, 0, TRUE);  // the control's own handle with id 0
    EXPECT_EQ(GraphicCurrentTarget(), control);
    EXPECT_TRUE(ObjectRecordFind(control)->flags & FlagDeferredRedraw);
    GraphicClear(0x0000FF, 0);
    GraphicBitmapEnd();  // a control attached: nothing happens
    EXPECT_EQ(GraphicCurrentTarget(), control);
    ObjectRecord* r = ObjectRecordFind(control);
    EXPECT_EQ(PixelsCount(DcPixels(r->graphic.canvasDC, 0, 0, 50, 40), 0xFF0000), 50 * 40);
    GraphicAttach(control, 0, FALSE);  // attaching again without redraw clears the deferral
    EXPECT_FALSE(r->flags & FlagDeferredRedraw);
    DestroyWindow(button);
    DestroyWindow(d);
    // The target names a destroyed control: no target any more.
    EXPECT_EQ(GraphicGetDC(), nullptr);
    GraphicDetach();
}

TEST(Leaks, ThousandsOfBitmapsLeaveNothing) {
    int records = ObjectRecordCount();
    int objects = GdiObjectsLive();
    for (int i = 0; i < 3000; ++i) {
        HBITMAP b = GraphicBitmapNew(16 + i % 7, 9);
        ASSERT_TRUE(b) << i;
        GraphicAttach(b, 0, FALSE);
        const LONG backgrounds[] = {0x00010203 * (i % 5), ColorTransparent, ColorDefault};
        if (i % 2 == 0) GraphicSetColor(ColorDefault, backgrounds[i % 3]);
        GraphicClear(i % 11 == 0 ? ColorTransparent : ColorDefault, i % 7);
        GraphicBitmapEnd();
    }
    HBITMAP keep = GraphicBitmapNew(4, 4);  // a brush shared, then released
    HBITMAP other = GraphicBitmapNew(4, 4);
    GraphicAttach(other, 0, FALSE);
    GraphicBitmapEnd();
    GraphicAttach(keep, 0, FALSE);
    GraphicBitmapEnd();
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}
