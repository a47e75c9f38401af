// The end-to-end driver: starts a program with an exact command line,
// finds its windows, reads and answers its message boxes, looks at its
// pixels, clicks and types, and collects its exit code. Every wait has a
// time-out; only processes it started are ended, by their own handle.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/support.h"

// Converts a Linux path to the Z: path Wine shows it as.
std::wstring DriverWindowsPath(const std::string& path);
std::wstring DriverWindowsPath(std::wstring path);
// A path named by an environment variable, as a Windows path; empty when
// unset. DriverViewerExe: the viewer under test (VISTORA_EXE).
std::wstring DriverEnvPath(const char* name);
inline std::wstring DriverViewerExe() { return DriverEnvPath("VISTORA_EXE"); }

// A program this driver started, owned for one scope: on every way out it
// is ended by its own handle if it still runs, and the handle is closed.
class Launched {
public:
    Launched() = default;
    ~Launched() { End(); }
    Launched(const Launched&) = delete;
    Launched& operator=(const Launched&) = delete;
    // Starts `exe` on the command line "exe" followed by exactly `tail`;
    // false when it cannot (GetLastError says why).
    bool Start(const std::wstring& tail, const std::wstring& exe = DriverViewerExe(), DWORD flags = 0);
    // Waits for its end; false on time-out.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    void End();
    HANDLE process = nullptr;
    DWORD pid = 0;
    DWORD thread = 0;
};

std::vector<HWND> DriverTopWindows(DWORD pid, bool visibleOnly);
// Waits for a visible message box, or for a visible top-level window of
// the process that is not one; null on time-out or when the process ends.
HWND DriverWaitMessageBox(const Launched& p, DWORD timeoutMs);
HWND DriverWaitMainWindow(const Launched& p, DWORD timeoutMs);
// Presses OK on a box and waits until it is gone; false on time-out.
bool DriverPressOk(HWND box, DWORD timeoutMs = 5000);
// Plays a user who answers every box with OK: polls the program's visible
// windows until it ends (true), `onWindow` returns true for a window that
// is not a box (true), or `timeoutMs` passes (false). Each box is read
// and handed to `onBox` before it is answered.
bool DriverAnswerBoxes(const Launched& p, DWORD timeoutMs, const std::function<void(const BoxSeen&)>& onBox,
                       const std::function<bool(HWND)>& onWindow);
// True when the process showed a visible window within `ms` (it is then
// still running); false when it ended or stayed invisible.
bool DriverShowsWindowWithin(const Launched& p, DWORD ms);

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

// Whether the screen shows, over `part` of the window's client area, the
// same part of `expected`: a width-wide picture (0x00RRGGBB) meant to fill
// that area from its origin. A mismatch names the first differing pixel.
testing::AssertionResult DriverScreenShows(HWND window, const Pixels& expected, int width, const RECT& part);
// Polls until the part of a width x height `expected` that can be seen
// (DriverVisiblePart) shows on the screen; else the last mismatch, or that
// nothing of it can be seen.
testing::AssertionResult DriverWaitPixels(HWND window, int width, int height, const Pixels& expected,
                                          DWORD timeoutMs);
