// The changed area of a canvas, the one place that keeps it: drawing marks
// it, a refresh shows it on screen and empties it.
#include "operation.h"

#include <climits>
#include <utility>

ObjectRecord* GraphicMarkChanged(ObjectRecord* record, int x1, int y1, int x2, int y2) {
    GraphicState& g = record->graphic;
    if (!(x1 < x2)) std::swap(x1, x2);
    if (!(y1 < y2)) std::swap(y1, y2);
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (static_cast<UINT>(x2) > static_cast<UINT>(g.canvasWidth)) x2 = g.canvasWidth;
    if (static_cast<UINT>(y2) > static_cast<UINT>(g.canvasHeight)) y2 = g.canvasHeight;
    if (static_cast<UINT>(x1) < g.changedLeft) g.changedLeft = static_cast<UINT>(x1);
    if (static_cast<UINT>(y1) < g.changedTop) g.changedTop = static_cast<UINT>(y1);
    if (static_cast<UINT>(x2) > g.changedRight) g.changedRight = static_cast<UINT>(x2);
    if (static_cast<UINT>(y2) > g.changedBottom) g.changedBottom = static_cast<UINT>(y2);
    record->flags |= FlagChangePending;
    if (record->flags & FlagDeferredRedraw) return record;
    return GraphicRefresh(record);
}

RECT GraphicChangedTake(ObjectRecord* record) {
    GraphicState& g = record->graphic;
    RECT changed{static_cast<LONG>(g.changedLeft), static_cast<LONG>(g.changedTop),
                 static_cast<LONG>(g.changedRight), static_cast<LONG>(g.changedBottom)};
    g.changedLeft = g.changedTop = UINT_MAX;
    g.changedRight = g.changedBottom = 0;
    record->flags &= ~FlagChangePending;
    return changed;
}

ObjectRecord* GraphicRefresh(ObjectRecord* record) {
    HWND window = static_cast<HWND>(record->handle);
    // Taken before the repaint, so that a change a callback makes during
    // it stays pending.
    RECT changed = GraphicChangedTake(record);
    InvalidateRect(window, record->flags & FlagStretchedView ? nullptr : &changed, FALSE);
    // The repaint reaches the dialog's callback with WM_DRAWITEM, which may
    // draw (and take this lock) or end the dialog (and free the record).
    if (!GraphicUnlocked(record, [window] { UpdateWindow(window); })) return nullptr;
    return record;
}

void GraphicRedraw() {
    GraphicEntry entry;
    if (!entry) return;
    ObjectRecord* record = entry.record();
    GraphicChangedTake(record);
    if (record->kind != KindGraphicControl) return;  // a bitmap has no window
    HWND window = static_cast<HWND>(record->handle);
    InvalidateRect(window, nullptr, FALSE);
    entry.Leave();  // the repaint runs callbacks, which may use the layer
    UpdateWindow(window);
}
