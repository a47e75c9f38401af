// Graphic bitmaps and the drawing operations on the current target.
#include "operation.h"

#include <algorithm>

const DWORD MixTable[16] = {
    SRCCOPY, SRCCOPY, NOTSRCERASE, SRCCOPY, NOTSRCCOPY, SRCERASE, SRCCOPY, SRCINVERT,
    SRCCOPY, SRCAND,  SRCCOPY,     SRCCOPY, MERGEPAINT, SRCCOPY,  SRCCOPY, SRCPAINT,
};

namespace {

// The three color bytes of a color (0x00BBGGRR); the top byte is dropped.
constexpr LONG ColorRgbMask = 0xFFFFFF;

}  // namespace

HBITMAP GraphicBitmapNew(int width, int height) {
    // Whatever is made is given back, in reverse order, unless the record
    // takes it over.
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC canvas(CreateCompatibleDC(screen.get()));
    if (!canvas) return nullptr;
    ScopedBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    ScopedSelection selected(canvas.get(), bitmap.get());
    if (!selected) return nullptr;
    ObjectRecord* record =
        ObjectRecordAdd(bitmap.get(), nullptr, KindGraphicBitmap, FlagDeferredRedraw | FlagPixels);
    if (!record) return nullptr;
    GraphicState& g = record->graphic;
    g.canvasDC = canvas.release();
    g.initialBitmap = static_cast<HBITMAP>(selected.keep());
    g.clientWidth = g.viewWidth = g.canvasWidth = g.referenceWidth = width;
    g.clientHeight = g.viewHeight = g.canvasHeight = g.referenceHeight = height;
    GraphicCanvasPrepare(record);
    return bitmap.release();
}

void GraphicBitmapEnd() {
    GraphicEntry entry;
    if (!entry || entry.record()->kind != KindGraphicBitmap) return;
    ObjectRecordRelease(entry.record()->handle);
    GraphicTargetForget();
}

void GraphicSetColor(LONG foreground, LONG background) {
    if (foreground != ColorUnchanged) {
        GraphicEntry entry;
        if (entry) {
            GraphicState& g = entry.record()->graphic;
            LONG c = foreground == ColorDefault ? static_cast<LONG>(GetSysColor(COLOR_WINDOWTEXT)) : foreground;
            g.foreground = c & ColorRgbMask;
            SetTextColor(g.canvasDC, static_cast<COLORREF>(g.foreground));
        }
    }
    if (background == ColorUnchanged) return;
    GraphicEntry entry;
    if (!entry) return;
    ObjectRecord* record = entry.record();
    GraphicState& g = record->graphic;
    LONG c;
    if (background == ColorTransparent) {
        SetBkColor(g.canvasDC, RGB(255, 255, 255));
        SetBkMode(g.canvasDC, TRANSPARENT);
        c = ColorTransparent;
    } else {
        c = background == ColorDefault ? static_cast<LONG>(GetSysColor(COLOR_BTNFACE)) : background;
        c &= ColorRgbMask;
        SetBkColor(g.canvasDC, static_cast<COLORREF>(c));
        SetBkMode(g.canvasDC, OPAQUE);
    }
    BackgroundBrushHandOver(record, c);
}

void GraphicClear(LONG color, int style) {
    GraphicEntry entry;
    if (!entry) return;
    ObjectRecord* record = entry.record();
    GraphicState& g = record->graphic;
    if (color == ColorDefault) color = g.background;
    if (static_cast<UINT>(style) > 6) style = 0;
    CanvasFill(g, color, style);
    if (GraphicMarkChanged(record, 0, 0, g.canvasWidth, g.canvasHeight) != record) return;  // released meanwhile
    g.positionX = g.homeX;
    g.positionY = g.homeY;
    if (g.canvasDC) MoveToEx(g.canvasDC, g.positionX, g.positionY, nullptr);
}

HDC GraphicGetDC() {
    GraphicEntry entry;
    return entry ? entry.record()->graphic.canvasDC : nullptr;
}

GraphicCanvas GraphicGetCanvas() {
    GraphicEntry entry;
    if (!entry) return {0, 0};
    const GraphicState& g = entry.record()->graphic;
    return {static_cast<double>(g.canvasWidth), static_cast<double>(g.canvasHeight)};
}

void GraphicCopy(HANDLE source, int sourceId, int mix) {
    ObjectRecord* from = GraphicResolve(source, sourceId);
    if (!from) return;
    GraphicEntry entry;
    if (!entry) return;
    ObjectRecord* record = entry.record();
    GraphicState& g = record->graphic;
    DWORD rop = MixTable[static_cast<UINT>(mix) <= 15 ? mix : 0];
    UINT width = std::min(static_cast<UINT>(from->graphic.canvasWidth), static_cast<UINT>(g.canvasWidth));
    UINT height = std::min(static_cast<UINT>(from->graphic.canvasHeight), static_cast<UINT>(g.canvasHeight));
    BitBlt(g.canvasDC, 0, 0, static_cast<int>(width), static_cast<int>(height), from->graphic.canvasDC, 0, 0, rop);
    GraphicMarkChanged(record, 0, 0, CanvasExtentWhole, CanvasExtentWhole);
}
