// Graphic bitmaps and the drawing operations on the current target.
#include "operation.h"

#include <algorithm>

const DWORD MixTable[16] = {
    SRCCOPY, SRCCOPY, NOTSRCERASE, SRCCOPY, NOTSRCCOPY, SRCERASE, SRCCOPY, SRCINVERT,
    SRCCOPY, SRCAND,  SRCCOPY,     SRCCOPY, MERGEPAINT, SRCCOPY,  SRCCOPY, SRCPAINT,
};

namespace {

// The three colour bytes of a colour (0x00BBGGRR); the top byte is dropped.
constexpr LONG ColorRgbMask = 0xFFFFFF;

void CanvasColoursApply(ObjectRecord* record) {
    GraphicState& g = record->graphic;
    SetTextColor(g.canvasDC, static_cast<COLORREF>(g.foreground));
    SetBkColor(g.canvasDC, static_cast<COLORREF>(g.background));
    SetBkMode(g.canvasDC, OPAQUE);
}

// A brush of its own for a clear: solid for style 0, else hatched.
HBRUSH ClearBrushMake(LONG colour, int style) {
    if (style == 0) return CreateSolidBrush(static_cast<COLORREF>(colour));
    return CreateHatchBrush(style - 1, static_cast<COLORREF>(colour));
}

// Fills the whole canvas for a clear; a transparent colour paints with the
// stock null brush, which is nobody's to delete.
void CanvasFill(const GraphicState& g, LONG colour, int style) {
    ScopedBrush made(colour == ColorTransparent ? nullptr : ClearBrushMake(colour, style));
    HBRUSH brush = colour == ColorTransparent ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : made.get();
    if (!g.canvasDC) return;
    RECT all{0, 0, g.canvasWidth, g.canvasHeight};
    // GDI may refuse for a moment while the display changes mode.
    for (int tries = 1; !FillRect(g.canvasDC, &all, brush) && tries < 10; ++tries) Sleep(2);
}

}  // namespace

void GraphicCanvasPrepare(ObjectRecord* record) {
    FontSelectDefault(record->graphic.canvasDC, record);
    CanvasColoursApply(record);
}

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
    if (c == g.background && g.backgroundBrush) return;
    HBRUSH oldBrush = g.backgroundBrush;
    LONG oldColour = g.background;
    g.backgroundBrush = nullptr;  // not offered to itself while sharing
    g.background = c;
    g.backgroundBrush = BrushShare(c);
    BrushGiveUp(oldBrush, oldColour, record);
}

void GraphicClear(LONG colour, int style) {
    GraphicEntry entry;
    if (!entry) return;
    ObjectRecord* record = entry.record();
    GraphicState& g = record->graphic;
    if (colour == ColorDefault) colour = g.background;
    if (static_cast<UINT>(style) > 6) style = 0;
    CanvasFill(g, colour, style);
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
