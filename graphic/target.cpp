// The graphic lock and the per-thread drawing target.
#include "operation.h"

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
