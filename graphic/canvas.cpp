// A record's canvas and what it owns: made, prepared, filled, rebuilt at
// another size, and the background brush handed over. Every GDI object
// made here is either the record's when the function returns or given
// back before it does.
#include "operation.h"

#include <algorithm>

namespace {

void CanvasColorsApply(ObjectRecord* record) {
    GraphicState& g = record->graphic;
    SetTextColor(g.canvasDC, static_cast<COLORREF>(g.foreground));
    SetBkColor(g.canvasDC, static_cast<COLORREF>(g.background));
    SetBkMode(g.canvasDC, OPAQUE);
}

// A brush of its own for a clear: solid for style 0, else hatched.
HBRUSH ClearBrushMake(LONG color, int style) {
    if (style == 0) return CreateSolidBrush(static_cast<COLORREF>(color));
    return CreateHatchBrush(style - 1, static_cast<COLORREF>(color));
}

// A bitmap of the new size, compatible with the canvas, that holds the
// canvas's top-left pixels and is background elsewhere; null when GDI
// refuses a step.
HBITMAP CanvasCopyAtSize(const GraphicState& g, int width, int height) {
    ScopedMemoryDC scratch(CreateCompatibleDC(nullptr));
    ScopedBitmap fresh(scratch ? CreateCompatibleBitmap(g.canvasDC, width, height) : nullptr);
    ScopedSelection drawing(scratch.get(), fresh.get());
    if (!drawing) return nullptr;
    int keepWidth = static_cast<int>(std::min(static_cast<UINT>(width), static_cast<UINT>(g.canvasWidth)));
    int keepHeight = static_cast<int>(std::min(static_cast<UINT>(height), static_cast<UINT>(g.canvasHeight)));
    // Background wherever the old canvas does not land: the same pixels as
    // filling it all first, without touching them twice.
    RECT right{keepWidth, 0, width, height};
    RECT below{0, keepHeight, keepWidth, height};
    FillRect(scratch.get(), &right, g.backgroundBrush);
    FillRect(scratch.get(), &below, g.backgroundBrush);
    BitBlt(scratch.get(), 0, 0, keepWidth, keepHeight, g.canvasDC, 0, 0, SRCCOPY);
    return fresh.release();  // the caller's; on the way out it leaves the scratch DC, which goes
}

}  // namespace

void GraphicCanvasPrepare(ObjectRecord* record) {
    FontSelectDefault(record->graphic.canvasDC, record);
    CanvasColorsApply(record);
}

void ControlCanvasMake(HWND window, GraphicState& g) {
    // Whatever is made is given back, in reverse order, unless the record
    // takes it over.
    ScopedWindowDC dc(window);
    if (!dc) return;
    RECT client{};
    GetClientRect(window, &client);
    int w = client.right, h = client.bottom;
    g.clientWidth = g.viewWidth = g.canvasWidth = g.referenceWidth = w;
    g.clientHeight = g.viewHeight = g.canvasHeight = g.referenceHeight = h;
    ScopedMemoryDC canvas(CreateCompatibleDC(dc.get()));
    // At 0 x 0 Windows gives the 1 x 1 monochrome bitmap, and every later
    // canvas, made compatible with this one, would stay black and white.
    ScopedBitmap bitmap(canvas ? CreateCompatibleBitmap(dc.get(), std::max(w, 1), std::max(h, 1)) : nullptr);
    ScopedSelection selected(canvas.get(), bitmap.get());
    if (!selected) return;
    g.canvasDC = canvas.release();
    g.initialBitmap = static_cast<HBITMAP>(selected.keep());
    bitmap.release();  // the canvas DC's now, deleted with the record
    FillRect(g.canvasDC, &client, g.backgroundBrush);
}

void CanvasRebuild(GraphicState& g, int width, int height) {
    ScopedBitmap fresh(CanvasCopyAtSize(g, width, height));
    ScopedSelection shown(g.canvasDC, fresh.get());
    if (!shown) return;
    ScopedBitmap old(static_cast<HBITMAP>(shown.keep()));
    fresh.release();  // the canvas DC's now, deleted with the record
    g.canvasWidth = g.referenceWidth = width;
    g.canvasHeight = g.referenceHeight = height;
}

void CanvasFill(const GraphicState& g, LONG color, int style) {
    ScopedBrush made(color == ColorTransparent ? nullptr : ClearBrushMake(color, style));
    HBRUSH brush = color == ColorTransparent ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : made.get();
    if (!g.canvasDC) return;
    RECT all{0, 0, g.canvasWidth, g.canvasHeight};
    // GDI may refuse for a moment while the display changes mode.
    for (int tries = 1; !FillRect(g.canvasDC, &all, brush) && tries < 10; ++tries) Sleep(2);
}

void BackgroundBrushHandOver(ObjectRecord* record, LONG color) {
    GraphicState& g = record->graphic;
    if (color == g.background && g.backgroundBrush) return;
    HBRUSH oldBrush = g.backgroundBrush;
    LONG oldColor = g.background;
    g.backgroundBrush = nullptr;  // holding none, the record is not offered its own old brush
    g.background = color;
    g.backgroundBrush = BrushShare(color);
    BrushGiveUp(oldBrush, oldColor, record);
}
