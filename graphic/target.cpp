// The per-thread drawing target, the graphic lock and changed areas.
#include "operation.h"

#include <climits>
#include <utility>

namespace {
volatile LONG graphicLock = 0;
thread_local HANDLE currentTarget = nullptr;
}  // namespace

// Taken by exchanging the word with -1 until the old value is 0, like the
// registry's lock, but yielding the processor between tries.
void GraphicLockTake() {
    while (InterlockedExchange(&graphicLock, -1) != 0) Sleep(0);
}

void GraphicLockGive() { InterlockedExchange(&graphicLock, 0); }

bool GraphicKindIs(const ObjectRecord* record) {
    return record && (record->kind == KindGraphicControl || record->kind == KindGraphicBitmap);
}

GraphicEntry::GraphicEntry() {
    GraphicLockTake();
    ObjectRecord* record = ObjectRecordFind(currentTarget);
    if (!currentTarget || !GraphicKindIs(record)) {
        GraphicLockGive();
        return;
    }
    record_ = record;
    held_ = true;
}

GraphicEntry::GraphicEntry(ObjectRecord* record) : record_(record) {
    GraphicLockTake();
    held_ = true;
}

GraphicEntry::~GraphicEntry() { Leave(); }

void GraphicEntry::Leave() {
    if (held_) GraphicLockGive();
    held_ = false;
    record_ = nullptr;
}

ObjectRecord* GraphicResolve(HANDLE handle, int controlId) {
    if (!handle) return nullptr;
    HANDLE candidate = handle;
    if (IsWindow(static_cast<HWND>(handle))) {
        if (HWND item = GetDlgItem(static_cast<HWND>(handle), controlId)) candidate = item;
    }
    ObjectRecord* record = ObjectRecordFind(candidate);
    return GraphicKindIs(record) ? record : nullptr;
}

void GraphicAttach(HANDLE handle, int controlId, BOOL redraw) {
    ObjectRecord* record = GraphicResolve(handle, controlId);
    currentTarget = nullptr;
    if (!record) {
        ErrorRecord(ErrorBadTarget);
        return;
    }
    if (redraw || record->kind == KindGraphicBitmap) {
        record->flags |= FlagDeferredRedraw;
    } else {
        record->flags &= ~FlagDeferredRedraw;
    }
    currentTarget = record->handle;
}

void GraphicDetach() { currentTarget = nullptr; }

HANDLE GraphicCurrentTarget() { return currentTarget; }

void GraphicTargetAdopt(HANDLE handle) {
    if (!currentTarget) currentTarget = handle;
}

void GraphicTargetForget() { currentTarget = nullptr; }

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
