// The end-to-end driver: starts a program with an exact command line,
// finds its windows, reads and answers its message boxes, looks at its
// pixels, clicks and types, and collects its exit code. Every wait has a
// time-out; only processes it started are ended, by their own handle.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/support.h"

struct Launched {
    HANDLE process = nullptr;
    DWORD pid = 0;
    DWORD thread = 0;
};

// Starts `exe` with exactly `commandLine` (program name included); false
// when it cannot.
bool DriverLaunch(const std::wstring& exe, const std::wstring& commandLine, Launched* out);
// Waits for the end of the process; false on time-out.
bool DriverWaitExit(const Launched& p, DWORD timeoutMs, DWORD* exitCode);
// Ends a process this driver started and closes its handle.
void DriverEnd(Launched& p);

std::vector<HWND> DriverTopWindows(DWORD pid, bool visibleOnly);
bool DriverIsMessageBox(HWND window);
// Waits for a visible message box, or for a visible top-level window of
// the process that is not one; null on time-out or when the process ends.
HWND DriverWaitMessageBox(const Launched& p, DWORD timeoutMs);
HWND DriverWaitMainWindow(const Launched& p, DWORD timeoutMs);
// Presses OK on a box and waits until it is gone; false on time-out.
bool DriverPressOk(HWND box, DWORD timeoutMs = 5000);
// True when the process showed a visible window within `ms` (it is then
// still running); false when it ended or stayed invisible.
bool DriverShowsWindowWithin(const Launched& p, DWORD ms);

std::wstring DriverWindowText(HWND window);
// Caption and message text of another process's message box.
BoxSeen DriverBoxRead(HWND box);

// Input: real mouse and key events through SendInput.
void DriverClick(HWND window, int x, int y, bool right = false);
void DriverMoveMouse(HWND window, int x, int y);
// One button event (MOUSEEVENTF_RIGHTDOWN, ...) where the mouse is.
void DriverButton(DWORD flag);
void DriverKey(WORD virtualKey);

// The part of a window's client area that can be seen: clipped by the
// client area of each window it is a child of, and by the screen. In the
// window's client coordinates; empty when nothing of it shows.
RECT DriverVisiblePart(HWND window);

// `expected` is a width x height picture (0x00RRGGBB) meant to fill the
// window's client area from its origin. Polls the screen over the part of
// it that is visible (DriverVisiblePart) until that part equals the same
// part of `expected`; `last` receives the pixels last read there. Fails
// when nothing of it is visible.
bool DriverWaitPixels(HWND window, int width, int height, const Pixels& expected, DWORD timeoutMs,
                      Pixels* last = nullptr);

// The pixels of `part` (a rectangle inside a width-wide picture).
Pixels PixelsCrop(const Pixels& all, int width, const RECT& part);

// Converts a Linux path to the Z: path Wine shows it as.
std::wstring DriverWindowsPath(const std::string& path);
// A path named by an environment variable, as a Windows path; empty when
// unset. DriverViewerExe: the viewer under test (VISTORA_EXE).
std::wstring DriverEnvPath(const char* name);
inline std::wstring DriverViewerExe() { return DriverEnvPath("VISTORA_EXE"); }
