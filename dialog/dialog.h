// Dialog layer: dialogs built at run time from in-memory templates, their
// graphic controls and properties, and the modal loop with its dispatch.
#pragma once

#include <windows.h>

#include <climits>
#include <string>

#include "dialog/records/records.h"
#include "graphic/graphic.h"

// Unit mode of DialogNew: only the bit 0x2 (pixels) is tested.
enum : UINT {
    UnitDialog = 1,
    UnitPixels = 2,
};

// Values no caller gives otherwise: the lowest int (0x80000000) as a
// control id names the dialog itself; as x or y it centres the dialog.
constexpr int DialogSelfId = INT_MIN;
constexpr int DialogPositionDefault = INT_MIN;
constexpr size_t DialogTemplateSize = 512;

// ---- Creation ----------------------------------------------------------

DWORD DialogFinalStyle(DWORD style, int x, int y, HWND owner);
// Fills an extended dialog template (DLGTEMPLATEEX, no items) and returns
// the number of bytes used. `buffer` must be DWORD-aligned.
size_t DialogTemplateBuild(BYTE* buffer, size_t size, DWORD style, DWORD exStyle, int x, int y, int width,
                           int height, const FontEntry* font);
// Outer position of a centred dialog on one axis of the work area.
int DialogCentre(LONG low, LONG high, int outer);

HWND DialogNew(UINT unitMode, HWND owner, const std::wstring& title, int x, int y, int width, int height,
               DWORD style, DWORD exStyle);

// ---- Controls and properties -------------------------------------------

DWORD ControlFinalStyle(DWORD style);
void ControlAddGraphic(HWND dialog, int id, const std::wstring& text, int x, int y, int width, int height,
                       DWORD style, DWORD exStyle, DialogCallback callback);
HWND ControlHandle(HWND dialog, int id);
void ControlSetSize(HWND dialog, int id, int width, int height);
void DialogSetSize(HWND dialog, int width, int height);
void DialogSetText(HWND window, const std::wstring& text);

// ---- Modal loop ----------------------------------------------------------

void DialogShowModal(HWND dialog, DialogCallback callback, int* result);
void DialogEnd(HWND dialog, int result);
INT_PTR CALLBACK DialogDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
