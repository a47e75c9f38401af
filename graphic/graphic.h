// Graphic layer: off-screen canvases, the per-thread drawing target,
// graphic bitmaps and the graphic control that shows a canvas in a dialog.
#pragma once

#include <windows.h>

#include "dialog/records.h"

// ---- Drawing target and bitmaps ----------------------------------------

// A graphic handle is a graphic control's HWND or a graphic bitmap's
// HBITMAP; objects are named by (handle, control id).
void GraphicAttach(HANDLE handle, int controlId, BOOL redraw);
void GraphicDetach();
HANDLE GraphicCurrentTarget();

HBITMAP GraphicBitmapNew(int width, int height);
void GraphicBitmapEnd();
void GraphicSetColor(LONG foreground, LONG background);
void GraphicClear(LONG colour, int style);
HDC GraphicGetDC();

struct GraphicCanvas {
    double width;
    double height;
};
GraphicCanvas GraphicGetCanvas();
void GraphicCopy(HANDLE source, int sourceId, int mix);

// Raster operations by mix number (numbered like the R2_* mix modes).
extern const DWORD MixTable[16];

// Records a changed area of the target; refreshes a control whose redraw
// is not deferred. Called with the graphic lock held. Returns the record,
// or null when a callback of the repaint released it.
ObjectRecord* GraphicMarkChanged(ObjectRecord* record, int x1, int y1, int x2, int y2);

// ---- Graphic control ---------------------------------------------------

void GraphicControlInit(HWND window, ObjectRecord* record);
LRESULT CALLBACK GraphicControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL GraphicPaint(HWND dialog, const DRAWITEMSTRUCT* item);
ObjectRecord* GraphicRefresh(ObjectRecord* record);
void GraphicRedraw();
void GraphicControlResize(ObjectRecord* record, int width, int height);

// Whether a WM_KEYDOWN with this lParam goes into the key slot.
bool GraphicKeyIsStored(LPARAM lParam, bool numLockOn, bool shiftDown);
