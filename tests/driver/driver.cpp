#include "driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool Launched::Start(const std::wstring& tail, const std::wstring& exe, DWORD flags) {
    End();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + exe + L"\"" + tail;  // CreateProcessW may write into it
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process = info.hProcess;
    pid = info.dwProcessId;
    thread = info.dwThreadId;
    return true;
}

bool Launched::WaitExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process, exitCode);
    return true;
}

void Launched::End() {
    if (!process) return;
    if (!WaitExit(0)) {
        TerminateProcess(process, 99);
        WaitExit(5000);
    }
    CloseHandle(process);
    process = nullptr;
}

namespace {
struct Search {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid && (!s->visibleOnly || IsWindowVisible(window))) s->found.push_back(window);
    return TRUE;
}

template <typename Pred>
HWND WaitFor(const Launched& p, DWORD timeoutMs, Pred pred) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : DriverTopWindows(p.pid, true)) {
                if (pred(w)) found = w;
            }
            return found || p.WaitExit(0);
        },
        timeoutMs, 10);
    return found;
}
}  // namespace

std::vector<HWND> DriverTopWindows(DWORD pid, bool visibleOnly) {
    Search s{pid, visibleOnly, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND DriverWaitMessageBox(const Launched& p, DWORD timeoutMs) {
    return WaitFor(p, timeoutMs, [](HWND w) { return MessageBoxIs(w); });
}

HWND DriverWaitMainWindow(const Launched& p, DWORD timeoutMs) {
    return WaitFor(p, timeoutMs, [](HWND w) { return !MessageBoxIs(w); });
}

bool DriverPressOk(HWND box, DWORD timeoutMs) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, timeoutMs, 5);
}

bool DriverAnswerBoxes(const Launched& p, DWORD timeoutMs, const std::function<void(const BoxSeen&)>& onBox,
                       const std::function<bool(HWND)>& onWindow) {
    return PumpUntil(
        [&] {
            if (p.WaitExit(0)) return true;
            for (HWND w : DriverTopWindows(p.pid, true)) {
                if (!MessageBoxIs(w)) {
                    if (onWindow(w)) return true;
                    continue;
                }
                // A program slowed by emulation or a vast picture may not answer
                // within one read's time-out: an empty text is read again.
                BoxSeen seen;
                PumpUntil([&] { return !(seen = MessageBoxRead(w)).text.empty() || !IsWindow(w); }, 60000, 500);
                onBox(seen);
                DriverPressOk(w);
            }
            return false;
        },
        timeoutMs, 5);
}

bool DriverShowsWindowWithin(const Launched& p, DWORD ms) {
    bool shown = false;
    PumpUntil([&] { return (shown = !DriverTopWindows(p.pid, true).empty()) || p.WaitExit(0); }, ms, 5);
    return shown;
}

namespace {
void MouseTo(HWND window, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(window, &pt);
    SetCursorPos(pt.x, pt.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Rounded up: the system scales back down, and a coordinate rounded to
    // nearest could land on the pixel before the one asked for.
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = (pt.x * 65536 + cx - 1) / cx;
    in.mi.dy = (pt.y * 65536 + cy - 1) / cy;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
}
}  // namespace

void DriverMoveMouse(HWND window, int x, int y) { MouseTo(window, x, y); }

void DriverClick(HWND window, int x, int y, bool right) {
    MouseTo(window, x, y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

void DriverButton(DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    SendInput(1, &in, sizeof(in));
}

void DriverKey(WORD virtualKey) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = virtualKey;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

RECT DriverVisiblePart(HWND window) {
    RECT own{};
    GetClientRect(window, &own);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&own, origin.x, origin.y);
    RECT visible = own;
    // A child shows only inside its parent's client area: the viewer's
    // control may be taller than the dialog's client area when the
    // system's caption is taller than the viewer allows for.
    HWND w = window;
    while ((GetWindowLongW(w, GWL_STYLE) & WS_CHILD) && GetParent(w)) {
        w = GetParent(w);
        RECT client{};
        GetClientRect(w, &client);
        POINT at{0, 0};
        ClientToScreen(w, &at);
        OffsetRect(&client, at.x, at.y);
        IntersectRect(&visible, &visible, &client);
    }
    RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (!IntersectRect(&visible, &visible, &screen)) return RECT{0, 0, 0, 0};
    OffsetRect(&visible, -origin.x, -origin.y);
    return visible;
}

testing::AssertionResult DriverScreenShows(HWND window, const Pixels& expected, int width, const RECT& part) {
    POINT origin{part.left, part.top};
    ClientToScreen(window, &origin);
    int w = part.right - part.left, h = part.bottom - part.top;
    Pixels want =
        PixelsOf(w, h, [&](int x, int y) { return expected[size_t(part.top + y) * width + part.left + x]; });
    testing::AssertionResult same = PixelsMatch(WindowPixels(nullptr, origin.x, origin.y, w, h), want, w);
    if (!same) same << "; read over " << testing::PrintToString(part) << " of the client area";
    return same;
}

testing::AssertionResult DriverWaitPixels(HWND window, int width, int height, const Pixels& expected,
                                          DWORD timeoutMs) {
    testing::AssertionResult shows = testing::AssertionFailure();
    PumpUntil(
        [&] {
            RECT picture{0, 0, width, height}, visible = DriverVisiblePart(window), part{};
            shows = IntersectRect(&part, &picture, &visible) ? DriverScreenShows(window, expected, width, part)
                                                             : testing::AssertionFailure() << "nothing of it shows";
            return bool(shows);
        },
        timeoutMs, 20);
    return shows;
}

std::wstring DriverEnvPath(const char* name) {
    // Read wide: a folder's name may hold letters outside the ANSI code page.
    const wchar_t* path = _wgetenv(std::wstring(name, name + strlen(name)).c_str());
    return path ? DriverWindowsPath(path) : std::wstring();
}

std::wstring DriverWindowsPath(const std::string& path) {
    int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), n);
    return DriverWindowsPath(wide);
}

std::wstring DriverWindowsPath(std::wstring wide) {
    if (wide.empty() || wide[0] != L'/') return wide;
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    return L"Z:" + wide;
}
