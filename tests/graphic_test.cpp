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

auto Size(GraphicCanvas c) { return std::pair(c.width, c.height); }

}  // namespace

TEST(GraphicBitmap, NewRecordsItsCanvas) {
    HBITMAP b = GraphicBitmapNew(640, 480);
    ASSERT_TRUE(b);
    EXPECT_EQ(GraphicCurrentTarget(), nullptr);  // not attached by making it
    ObjectRecord* r = ObjectRecordFind(b);
    ASSERT_TRUE(r);
    EXPECT_EQ(std::tuple(r->kind, r->flags, r->parent),
              std::tuple(KindGraphicBitmap, FlagDeferredRedraw | FlagPixels, nullptr));
    HDC dc = r->graphic.canvasDC;
    EXPECT_EQ(std::tuple(GetCurrentObject(dc, OBJ_BITMAP), GetTextColor(dc), GetBkMode(dc)),
              std::tuple(b, static_cast<COLORREF>(r->graphic.foreground), OPAQUE));
    GraphicAttach(b, 0, FALSE);
    EXPECT_EQ(Size(GraphicGetCanvas()), std::pair(640.0, 480.0));
    EXPECT_TRUE(ObjectRecordFind(b)->flags & FlagDeferredRedraw);  // always deferred
    GraphicBitmapEnd();
    EXPECT_EQ(std::tuple(GraphicCurrentTarget(), ObjectRecordFind(b), GetObjectType(b)),
              std::tuple(nullptr, nullptr, 0u));
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
    EXPECT_EQ(Size(GraphicGetCanvas()), std::pair(0.0, 0.0));
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
    EXPECT_TRUE(PixelsMatch(p, PixelsOf(32, 32, [&](int, int y) { return p[y * 32]; }), 32));  // rows of one colour
    GraphicClear(0x0000FF, 2);  // vertical: whole columns
    p = CanvasPixels(t.get());
    EXPECT_EQ(PixelsCount(p, red), 32 * 4);
    EXPECT_TRUE(PixelsMatch(p, PixelsOf(32, 32, [&](int x, int) { return p[x]; }), 32));
    Pixels previous;
    for (int style = 3; style <= 6; ++style) {
        GraphicClear(0x0000FF, style);
        p = CanvasPixels(t.get());
        int n = PixelsCount(p, red);
        EXPECT_GT(n, 0) << style;
        EXPECT_LT(n, 32 * 32 / 2) << style;
        EXPECT_EQ(n + PixelsCount(p, white), 32 * 32) << style;
        EXPECT_FALSE(PixelsMatch(p, previous, 32)) << style;
        previous = p;
    }
}

TEST(GraphicSetColor, UnchangedAndTransparent) {
    Target t(8, 8);
    HDC dc = GraphicGetDC();
    GraphicSetColor(0x00112233, 0x00445566);
    auto dcColours = [dc] { return std::pair(GetTextColor(dc), GetBkColor(dc)); };
    auto colours = [&t] { return std::pair(t.record()->graphic.foreground, t.record()->graphic.background); };
    EXPECT_EQ(dcColours(), std::pair(0x00112233ul, 0x00445566ul));
    GraphicSetColor(ColorUnchanged, 0x0000FF);
    EXPECT_EQ(dcColours(), std::pair(0x00112233ul, 0x000000FFul));  // only the background changed
    EXPECT_EQ(colours(), std::pair(0x00112233l, 0x000000FFl));
    GraphicSetColor(0x7F00FF00, ColorUnchanged);  // masked to 24 bits
    EXPECT_EQ(colours(), std::pair(0x0000FF00l, 0x000000FFl));
    GraphicSetColor(ColorDefault, ColorTransparent);
    EXPECT_EQ(std::tuple(GetTextColor(dc), GetBkMode(dc), t.record()->graphic.background),
              std::tuple(GetSysColor(COLOR_WINDOWTEXT), TRANSPARENT, ColorTransparent));
    GraphicClear(0x0000FF, 0);
    GraphicClear(ColorDefault, 0);  // transparent background paints nothing
    EXPECT_EQ(PixelsCount(CanvasPixels(t.get()), 0xFF0000), 64);
    GraphicSetColor(ColorUnchanged, ColorDefault);
    EXPECT_EQ(std::pair(GetBkMode(dc), GetBkColor(dc)), std::pair(OPAQUE, GetSysColor(COLOR_BTNFACE)));
}

TEST(GraphicCopy, TopLeftOnlyAndTheRestKept) {
    Target source(300, 200);
    ObjectRecord* s = source.record();
    for (int y = 0; y < 200; y += 1)
        for (int x = 0; x < 300; x += 1) SetPixel(s->graphic.canvasDC, x, y, RGB(x & 0xFF, y, 9));
    Target target(100, 400, 0x00FF00);
    GraphicChangedTake(target.record());
    GraphicCopy(source.get(), 0, 0xCC0020);
    auto want = [](int x, int y) { return y < 200 ? Rgb(RGB(x, y, 9)) : 0x00FF00u; };
    EXPECT_TRUE(PixelsMatch(CanvasPixels(target.get()), PixelsOf(100, 400, want), 100));
    EXPECT_EQ(ChangedArea(target.record()), std::tuple(0u, 0u, 100u, 400u));  // the whole target, clamped
    EXPECT_TRUE(target.record()->flags & FlagChangePending);
}

TEST(GraphicCopy, MixNumbers) {
    // Each pair of source and target bits meets in some channel.
    const COLORREF src = 0x00F0F0F0, dst = 0x00FF0F00;
    Target source(4, 4, src);
    Target target(4, 4);
    // The mix number and the colour it gives.
    const std::pair<int, COLORREF> mixes[] = {
        {0, src},
        {1, src},
        {2, ~(src | dst)},
        {3, src},
        {4, ~src},
        {5, src & ~dst},
        {6, src},
        {7, src ^ dst},
        {8, src},
        {9, src & dst},
        {10, src},
        {11, src},
        {12, ~src | dst},
        {13, src},
        {14, src},
        {15, src | dst},
        // Outside 0 to 15: a plain copy.
        {0xCC0020, src},
        {-5, src},
    };
    for (auto [mix, want] : mixes) {
        GraphicClear(dst, 0);  // the target's colour before each copy
        GraphicCopy(source.get(), 0, mix);
        EXPECT_EQ(CanvasPixels(target.get())[0], Rgb(want & 0xFFFFFF)) << "mixes: mix " << mix;
    }
    // A source that names nothing copies nothing.
    GraphicClear(0x00123456, 0);
    GraphicCopy(nullptr, 0, 0);
    EXPECT_EQ(CanvasPixels(target.get())[0], Rgb(0x00123456));
}

TEST(GraphicMarkChanged, SwapClampMerge) {
    Target t(100, 50);
    ObjectRecord* r = t.record();
    GraphicChangedTake(r);
    GraphicMarkChanged(r, 80, 40, -5, 70);
    EXPECT_EQ(ChangedArea(r), std::tuple(0u, 40u, 80u, 50u));
    EXPECT_TRUE(r->flags & FlagChangePending);
    GraphicMarkChanged(r, 10, 5, 20, 6);
    EXPECT_EQ(ChangedArea(r), std::tuple(0u, 5u, 80u, 50u));
    GraphicClear(ColorDefault, 0);
    EXPECT_EQ(ChangedArea(r), std::tuple(0u, 0u, 100u, 50u));
}

TEST(GraphicAttach, ControlsAndWhatDoesNotResolve) {
    ErrorScope scope;
    HWND d = DialogNew(UnitPixels, nullptr, L"", 10, 10, 100, 100, 0, 0);
    {
        Target other(4, 4);
        ControlAddGraphic(d, 1002, L"", 0, 0, 5, 5, GraphicControlStyle, 0, nullptr);
        EXPECT_EQ(GraphicCurrentTarget(), other.get());  // another target attached stays
    }
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 50, 40, GraphicControlStyle, 0, nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 50, 20, 20, d, reinterpret_cast<HMENU>(5),
                                  nullptr, nullptr);
    HWND control = ControlHandle(d, IDC_GRAPHIC);
    // A new control becomes the target of a thread that has none.
    EXPECT_EQ(GraphicCurrentTarget(), control);
    auto attach = [control](HWND handle, int id, BOOL redraw) {
        GraphicAttach(handle, id, redraw);
        int error = ErrorCode();
        return std::tuple(error, GraphicCurrentTarget(),
                          (ObjectRecordFind(control)->flags & FlagDeferredRedraw) != 0);
    };
    EXPECT_EQ(attach(d, 5, FALSE), std::tuple(ErrorBadTarget, nullptr, false));  // a button
    EXPECT_EQ(attach(d, IDC_GRAPHIC, FALSE), std::tuple(0, control, false));
    EXPECT_EQ(attach(control, 0, TRUE), std::tuple(0, control, true));  // the control's own handle with id 0
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
    const auto before = RecordsAndObjectsLive();
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
    EXPECT_EQ(RecordsAndObjectsLive(), before);
}
