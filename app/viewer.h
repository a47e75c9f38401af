// The viewer: start-up, main window and image loading.
#pragma once

#include <windows.h>

#include <string>

#include "dialog/dialog.h"
#include "graphic/graphic.h"
#include "process/process.h"

// The graphic control that shows the picture, and the styles of the
// dialog and control that show it: WS_MINIMIZEBOX, which the layer makes a
// captioned, framed dialog; SS_NOTIFY, or the static would let clicks
// through to the dialog.
constexpr int IDC_GRAPHIC = 1001;
constexpr DWORD MainDialogStyle = WS_MINIMIZEBOX;
constexpr DWORD GraphicControlStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
static_assert(MainDialogStyle == 0x20000 && GraphicControlStyle == 0x50000100);
// The window is sized to the picture plus a fixed allowance for frame and
// caption; the system's real frame is not measured.
constexpr int FrameAllowanceWidth = 6;
constexpr int FrameAllowanceHeight = 29;
// The loader's boxes: task-modal, brought to the foreground, OK only
// (0x12000).
constexpr UINT LoaderBoxStyle = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;
// A mix number outside 0 to 15 selects the plain copy; the viewer passes
// the raster operation itself (SRCCOPY, 0xCC0020).
constexpr int MixPlainCopy = static_cast<int>(SRCCOPY);
static_assert(LoaderBoxStyle == 0x12000 && MixPlainCopy == 0xCC0020);
constexpr size_t ImagePathSize = 260;  // units, terminator included

// The viewer's state: defined in app/startup.cpp, where ViewerInitialState
// zeroes it before ViewerMain runs.
extern ULONG_PTR GdiplusToken;
extern HWND MainDialog;
extern LONG_PTR PrevGraphicProc;
// The path stays UTF-16 from the command tail to GDI+, so that any file
// name opens whatever the ANSI code page.
extern wchar_t ImagePath[ImagePathSize];
extern HBITMAP ViewBitmap;
extern HWND SavedFocus;
extern int ImageWidth;
extern int ImageHeight;

// Start-up and shutdown.
void ViewerInitialState();
int ViewerMain();

// Main window.
int ShowMainDialog(HWND owner);
// The dialog and its graphic control as ShowMainDialog builds them, not yet
// shown; sets MainDialog.
HWND MainDialogBuild(HWND owner);
// Loads ImagePath and fits the window to it (the end of initialisation,
// once the path is known to exist).
void MainDialogShowPicture(HWND dialog);
INT_PTR MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GraphicClickProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ImagePathStore(const std::wstring& path);

// Image loading.
HBITMAP GraphicLoadImageFileToBitmap(const std::wstring& file, LONG background, UINT width, UINT height,
                                     int stretch);
HBITMAP LoadImageAsBitmap(const std::wstring& path);
int FileExists(const std::wstring& path);
std::wstring FileNameOfPath(const std::wstring& path);
// The box for a picture that was read but is too large to show.
void TooLargeBoxShow(UINT width, UINT height, const std::wstring& file);
// The loader's size rule: settles width and height (0 = the picture's own)
// for a picture of iw x ih.
void LoaderFitSize(float iw, float ih, UINT& width, UINT& height, int stretch);
