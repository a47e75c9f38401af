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
    explicit operator bool() const { return record_ != nullptr; }

private:
    ObjectRecord* record_ = nullptr;
    bool held_ = false;
};

bool GraphicKindIs(const ObjectRecord* record);
ObjectRecord* GraphicResolve(HANDLE handle, int controlId);

// A new control becomes the target of a thread that has none.
void GraphicTargetAdopt(HANDLE handle);
void GraphicTargetForget();

// Text font and colours of a new canvas DC.
void GraphicCanvasPrepare(ObjectRecord* record);
