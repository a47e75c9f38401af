// Object registry and font table: the records that the dialog and graphic
// layers share. Both layers include this header; it includes only the
// process services below it.
#pragma once

#include <windows.h>

#include "process/process.h"

// A procedure shaped like a Windows dialog procedure; 0 means not handled.
typedef INT_PTR (*DialogCallback)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

enum : DWORD {
    FlagDialogUnits = 0x1,
    FlagPixels = 0x2,
    FlagHasFocus = 0x20,
    FlagDeferredRedraw = 0x200,
    FlagChangePending = 0x20000,
    FlagStretchedView = 0x100000,
    FlagControl = 0x20000000,
    FlagDialog = 0x40000000,
};

enum : int {
    KindDialog = 0,
    KindGraphicControl = 14,
    KindGraphicBitmap = 26,
};

// Color markers.
constexpr LONG ColorDefault = -1;
constexpr LONG ColorTransparent = -2;
constexpr LONG ColorUnchanged = -3;

// The graphic fields of a graphic control's or bitmap's record, in the
// order the system's design lists them. The fields this program never
// reads (marked "unused" below) are kept because the record the design
// lists has them.
struct GraphicState {
    // The canvas: a memory DC the record owns, and the bitmap the DC held
    // when it was made, selected back before the DC is deleted.
    HDC canvasDC;
    HBITMAP initialBitmap;
    // Canvas area changed since the last refresh (graphic/changed.cpp): all
    // 0 in a new record; empty is left and top UINT_MAX, right and bottom 0.
    UINT changedLeft, changedTop, changedRight, changedBottom;
    // Coordinate scale; factors of 0 mean pixels. Unused.
    float scaleOriginX, scaleOriginY, scaleFactorX, scaleFactorY;
    // Four sizes the layer keeps apart, all alike when a canvas is made (for
    // a bitmap, its pixel size). Client: the window's client area; unused,
    // only written. View: what painting copies to the screen. Canvas: the
    // canvas bitmap's real size. Reference: the canvas size when made or
    // last rebuilt, the scale's base; unused, only written. A refused
    // rebuild moves client and view to the new size and leaves canvas and
    // reference at the old.
    int clientWidth, clientHeight;
    int viewWidth, viewHeight;
    int canvasWidth, canvasHeight;
    int referenceWidth, referenceHeight;
    // Positions on the canvas, all (0, 0) here. Home: where GraphicClear
    // puts the drawing position back; only read. Scroll origin: the canvas
    // point painted at the control's top left; only read. The drawing
    // position itself.
    int homeX, homeY;
    int scrollX, scrollY;
    int positionX, positionY;
    // Colors: the background's solid brush, shared by color among records
    // (BrushShare); the foreground (0x00BBGGRR); the background, or
    // ColorTransparent.
    HBRUSH backgroundBrush;
    LONG foreground;
    LONG background;
    // For line drawing, which this program does not do. Unused: the style
    // is never touched, the width only zeroed.
    int penStyle, penWidth;
    // Graphic control only: the window procedure it replaced, and the last
    // keystroke stored for key-reading operations this program does not
    // have (unused, only written).
    WNDPROC previousProc;
    UINT keySlot;
    // Text font from the font table: its number (0 for none) and the DC's
    // previous font, both given back with the record; the metrics read when
    // it was selected are unused, only written (text output is not this
    // program's).
    int fontNumber;
    HFONT previousFont;
    int charWidth, charHeight, externalLeading;
};

struct ObjectRecord {
    ObjectRecord* next;
    HANDLE handle;
    HWND parent;
    DWORD flags;
    int kind;
    DWORD windowStyle;
    DWORD windowExStyle;
    HFONT dialogFont;
    int showCommand;
    DialogCallback callback;
    int* resultTarget;
    GraphicState graphic;
    bool ending;  // DialogEnd is under way for this dialog
};

// ---- Registry ----------------------------------------------------------

ObjectRecord* ObjectRecordAdd(HANDLE handle, HWND parent, int kind, DWORD flags);
ObjectRecord* ObjectRecordFind(HANDLE handle);
void ObjectRecordRelease(HANDLE handle);
HANDLE ObjectRecordFirstControl(HANDLE parent);
// Number of registered records (leak checks).
int ObjectRecordCount();

// The dialog that a window belongs to: its own record when it is a dialog,
// else the first dialog on the chain of parent links; null when none.
ObjectRecord* ObjectRecordDialogOf(HANDLE window);
// Dialog units of the window's dialog to pixels (MapDialogRect).
void DialogUnitsToPixels(HANDLE window, RECT* rect);

// Background brushes, shared by color among graphic records.
HBRUSH BrushShare(LONG color);
// Gives up `brush` of `color` held by `holder`: deleted when no other
// graphic record still has that background color.
void BrushGiveUp(HBRUSH brush, LONG color, const ObjectRecord* holder);

// ---- Font table --------------------------------------------------------

struct FontEntry {
    FontEntry* next;
    LONG useCount;
    int number;
    HFONT font;
    float pointSize;
    LOGFONTW logFont;
};

void FontTableBuild();  // once; later calls do nothing
FontEntry* FontTableFind(int number);
// Selects entry 1's font into a canvas DC on behalf of `record`.
void FontSelectDefault(HDC dc, ObjectRecord* record);
void FontReleaseUse(ObjectRecord* record);
