// Graphic layer: off-screen canvases, the per-thread drawing target,
// graphic bitmaps and the graphic control that shows a canvas in a dialog.
#pragma once

#include <windows.h>

#include "dialog/records/records.h"

// ---- Drawing target and bitmaps ----------------------------------------

// A graphic handle is a graphic control's HWND or a graphic bitmap's
// HBITMAP; objects are named by (handle, control id).
// redraw TRUE defers: changes wait for GraphicRedraw (a bitmap's always do); FALSE shows each at once.
void GraphicAttach(HANDLE handle, int controlId, BOOL redraw);
void GraphicDetach();
HANDLE GraphicCurrentTarget();

HBITMAP GraphicBitmapNew(int width, int height);
void GraphicBitmapEnd();
void GraphicSetColor(LONG foreground, LONG background);
void GraphicClear(LONG color, int style);
HDC GraphicGetDC();

struct GraphicCanvas {
    double width;
    double height;
};
GraphicCanvas GraphicGetCanvas();
void GraphicCopy(HANDLE source, int sourceId, int mix);

// ---- Graphic control ---------------------------------------------------

void GraphicRedraw();

// For the dialog layer: set-up of a new control's canvas and procedure,
// painting on WM_DRAWITEM, and resizing with a canvas rebuild.
void GraphicControlInit(HWND window, ObjectRecord* record);
BOOL GraphicPaint(HWND dialog, const DRAWITEMSTRUCT* item);
void GraphicControlResize(ObjectRecord* record, int width, int height);
