// The graphic layer's process-wide lock and its entry into the target.
// Private to the layer.
#pragma once

#include "graphic.h"

void GraphicLockTake();
void GraphicLockGive();

// Holds the graphic lock for as long as an operation acts on its record.
class GraphicEntry {
public:
    GraphicEntry();
    // Enters on a record the caller already holds (the control resize).
    explicit GraphicEntry(ObjectRecord* record);
    ~GraphicEntry();
    GraphicEntry(const GraphicEntry&) = delete;
    GraphicEntry& operator=(const GraphicEntry&) = delete;

    ObjectRecord* record() const { return record_; }
    // Gives the lock back early; the record is not to be used afterwards.
    void Leave();
    explicit operator bool() const { return record_ != nullptr; }

private:
    ObjectRecord* record_ = nullptr;
    bool held_ = false;
};

// Runs `call` (one that can dispatch messages, and so reach callbacks and
// subclass procedures that use the layer) without the graphic lock, then
// takes the lock again. True when the record outlived the call.
template <typename Call>
bool GraphicUnlocked(const ObjectRecord* record, Call&& call) {
    HANDLE handle = record->handle;
    GraphicLockGive();
    call();
    GraphicLockTake();
    return ObjectRecordFind(handle) == record;
}

bool GraphicKindIs(const ObjectRecord* record);
ObjectRecord* GraphicResolve(HANDLE handle, int controlId);

// A new control becomes the target of a thread that has none.
void GraphicTargetAdopt(HANDLE handle);
void GraphicTargetForget();

// Text font and colours of a new canvas DC.
void GraphicCanvasPrepare(ObjectRecord* record);
