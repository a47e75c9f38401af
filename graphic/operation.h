// What every operation of the graphic layer uses and nothing outside it
// needs: the process-wide lock and the entry into the current target
// (graphic/target.cpp), the changed area and the refresh
// (graphic/changed.cpp), the canvas and what it owns (graphic/canvas.cpp),
// the mix table and the control's own window procedure. Private to the
// layer (and its tests).
#pragma once

#include "dialog/records/scoped_gdi.h"
#include "graphic.h"

// Raster operations by mix number (numbered like the R2_* mix modes).
extern const DWORD MixTable[16];

// ---- The changed area, kept in GraphicState's changed fields and the
// change-pending flag; graphic/changed.cpp is the one file that touches
// them (GraphicRedraw, the public refresh, is there too).

// Records a changed area of the target; refreshes a control whose redraw
// is not deferred. Called with the graphic lock held. Returns the record,
// or null when a callback of the repaint released it.
ObjectRecord* GraphicMarkChanged(ObjectRecord* record, int x1, int y1, int x2, int y2);
// Empties the changed area (left and top past every canvas, right and
// bottom 0) and clears the change-pending flag; gives the area it held.
RECT GraphicChangedTake(ObjectRecord* record);
// Repaints the changed area on screen before it returns, and empties it.
ObjectRecord* GraphicRefresh(ObjectRecord* record);
// An extent past every canvas: marked as changed, it is clipped to the
// whole canvas.
constexpr int CanvasExtentWhole = 500000;

// ---- The control's window procedure and the keys it keeps.

LRESULT CALLBACK GraphicControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a WM_KEYDOWN with this lParam goes into the key slot.
bool GraphicKeyIsStored(LPARAM lParam, bool numLockOn, bool shiftDown);

// The keyboard scan codes (bits 16 to 23 of a key message's lParam) that
// decide whether a key is stored.
enum : UINT {
    ScanEnter = 0x1C,  // keypad Enter when extended
    ScanSlash = 0x35,  // keypad / when extended
    ScanCapsLock = 0x3A,
    ScanF1 = 0x3B,  // F1 to F10 run on without a gap
    ScanF10 = 0x44,
    ScanNumLock = 0x45,
    ScanScrollLock = 0x46,
    ScanKeypadFirst = 0x47,  // keypad 7 (Home) to keypad . (Delete)
    ScanKeypadMinus = 0x4A,
    ScanKeypadPlus = 0x4E,
    ScanKeypadLast = 0x53,
    ScanF11 = 0x57,
    ScanF12 = 0x58,
};

// ---- The lock and the entry into the current target.

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

// ---- The canvas. A record owns its canvas DC, the bitmap selected into
// it (the DC's initial bitmap is selected back when the record goes) and
// one share of its background brush. Each function below either hands
// what it makes to the record or gives it back before it returns.

// Text font and colors of a new canvas DC.
void GraphicCanvasPrepare(ObjectRecord* record);
// The canvas at the control's client size, made compatible with the
// window's DC and filled with the background; none when GDI refuses any
// step (painting then copies nothing and drawing has no effect).
void ControlCanvasMake(HWND window, GraphicState& g);
// The canvas DC takes a new bitmap of the new size and the old one is
// deleted; on refusal nothing changes (the canvas keeps the size it really
// has). The new bitmap keeps the old top-left pixels.
void CanvasRebuild(GraphicState& g, int width, int height);
// Fills the whole canvas for a clear with a brush of its own, deleted
// before it returns; a transparent color paints with the stock null brush,
// which is nobody's to delete.
void CanvasFill(const GraphicState& g, LONG color, int style);
// The record takes the shared brush of its new background color and gives
// up the old one, which is deleted when no other record still has the old
// color. The new share is taken while the record holds none, so that the
// search cannot offer it the brush it is about to give up. Nothing changes
// when it already holds a brush of that color.
void BackgroundBrushHandOver(ObjectRecord* record, LONG color);
