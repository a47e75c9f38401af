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

// Colour markers.
constexpr LONG ColorDefault = -1;
constexpr LONG ColorTransparent = -2;
constexpr LONG ColorUnchanged = -3;

struct GraphicState {
    HDC canvasDC;
    HBITMAP initialBitmap;
    UINT changedLeft, changedTop, changedRight, changedBottom;
    float scaleOriginX, scaleOriginY, scaleFactorX, scaleFactorY;
    int clientWidth, clientHeight;
    int viewWidth, viewHeight;
    int canvasWidth, canvasHeight;
    int referenceWidth, referenceHeight;
    int homeX, homeY;
    int scrollX, scrollY;
    int positionX, positionY;
    HBRUSH backgroundBrush;
    LONG foreground;
    LONG background;
    int penStyle, penWidth;
    // Graphic control only.
    WNDPROC previousProc;
    UINT keySlot;
    // Text font from the font table: its number (0 for none), the DC's
    // previous font and the metrics read when it was selected.
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

// Background brushes, shared by colour among graphic records.
HBRUSH BrushShare(LONG colour);
// Gives up `brush` of `colour` held by `holder`: deleted when no other
// graphic record still has that background colour.
void BrushGiveUp(HBRUSH brush, LONG colour, const ObjectRecord* holder);

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
