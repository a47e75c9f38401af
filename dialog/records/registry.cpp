// The object registry: one record per dialog, control and graphic bitmap,
// newest first, guarded by a busy-waiting lock that covers the list only.
#include "records.h"
#include "spin_lock.h"

#include <cstdlib>

namespace {

ObjectRecord* head = nullptr;
volatile LONG registryLock = 0;

bool HoldsBrush(const ObjectRecord* r) {
    return (r->kind == KindGraphicControl || r->kind == KindGraphicBitmap) && r->graphic.backgroundBrush;
}

bool Unlink(ObjectRecord* record) {
    SpinGuard guard(registryLock);
    for (ObjectRecord** link = &head; *link; link = &(*link)->next) {
        if (*link == record) {
            *link = record->next;
            return true;
        }
    }
    return false;
}

void CanvasRelease(GraphicState& g) {
    if (!g.canvasDC) return;
    if (g.previousFont) SelectObject(g.canvasDC, g.previousFont);
    if (g.initialBitmap) {
        HGDIOBJ canvas = SelectObject(g.canvasDC, g.initialBitmap);
        if (canvas && canvas != HGDI_ERROR) DeleteObject(canvas);
    }
    DeleteDC(g.canvasDC);
    g.canvasDC = nullptr;
}

}  // namespace

ObjectRecord* ObjectRecordFind(HANDLE handle) {
    SpinGuard guard(registryLock);
    for (ObjectRecord* r = head; r; r = r->next) {
        if (r->handle == handle) return r;
    }
    return nullptr;
}

ObjectRecord* ObjectRecordAdd(HANDLE handle, HWND parent, int kind, DWORD flags) {
    if (ObjectRecordFind(handle)) return nullptr;
    auto* record = static_cast<ObjectRecord*>(std::calloc(1, sizeof(ObjectRecord)));
    if (!record) return nullptr;
    record->handle = handle;
    record->parent = parent;
    record->flags = flags;
    record->kind = kind;
    if (kind == KindGraphicControl || kind == KindGraphicBitmap) {
        record->graphic.foreground = static_cast<LONG>(GetSysColor(COLOR_WINDOWTEXT));
        record->graphic.background = static_cast<LONG>(GetSysColor(COLOR_BTNFACE));
        record->graphic.backgroundBrush = BrushShare(record->graphic.background);
    }
    SpinGuard guard(registryLock);
    record->next = head;
    head = record;
    return record;
}

HANDLE ObjectRecordFirstControl(HANDLE parent) {
    SpinGuard guard(registryLock);
    for (ObjectRecord* r = head; r; r = r->next) {
        if (r->parent == parent && (r->flags & FlagControl)) return r->handle;
    }
    return nullptr;
}

void ObjectRecordRelease(HANDLE handle) {
    for (HANDLE child = ObjectRecordFirstControl(handle); child; child = ObjectRecordFirstControl(handle)) {
        ObjectRecordRelease(child);
    }
    ObjectRecord* record = ObjectRecordFind(handle);
    if (!record || !Unlink(record)) return;
    FontReleaseUse(record);
    BrushGiveUp(record->graphic.backgroundBrush, record->graphic.background, record);
    record->graphic.backgroundBrush = nullptr;
    CanvasRelease(record->graphic);
    std::free(record);
}

int ObjectRecordCount() {
    SpinGuard guard(registryLock);
    int n = 0;
    for (ObjectRecord* r = head; r; r = r->next) ++n;
    return n;
}

ObjectRecord* ObjectRecordDialogOf(HANDLE window) {
    ObjectRecord* record = ObjectRecordFind(window);
    // The chain is short; the bound only guards against a parent loop.
    for (int depth = 0; record && depth < 64; ++depth) {
        if (record->flags & FlagDialog) return record;
        record = ObjectRecordFind(record->parent);
    }
    return nullptr;
}

void DialogUnitsToPixels(HANDLE window, RECT* rect) {
    ObjectRecord* dialog = ObjectRecordDialogOf(window);
    if (dialog) MapDialogRect(static_cast<HWND>(dialog->handle), rect);
}

HBRUSH BrushShare(LONG color) {
    if (color < 0) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    {
        SpinGuard guard(registryLock);
        for (ObjectRecord* r = head; r; r = r->next) {
            if (HoldsBrush(r) && r->graphic.background == color) return r->graphic.backgroundBrush;
        }
    }
    return CreateSolidBrush(static_cast<COLORREF>(color));
}

void BrushGiveUp(HBRUSH brush, LONG color, const ObjectRecord* holder) {
    if (!brush || color < 0) return;
    {
        SpinGuard guard(registryLock);
        for (ObjectRecord* r = head; r; r = r->next) {
            if (r != holder && HoldsBrush(r) && r->graphic.background == color) return;
        }
    }
    DeleteObject(brush);
}
