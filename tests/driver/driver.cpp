#include "driver.h"

#include <cstdlib>

#include <cstring>

bool DriverLaunch(const std::wstring& exe, const std::wstring& commandLine, Launched* out) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;  // CreateProcessW may write into it
    BOOL ok =
        CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    if (!ok) return false;
    CloseHandle(info.hThread);
    out->process = info.hProcess;
    out->pid = info.dwProcessId;
    out->thread = info.dwThreadId;
    return true;
}

bool DriverWaitExit(const Launched& p, DWORD timeoutMs, DWORD* exitCode) {
    if (WaitForSingleObject(p.process, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(p.process, &code);
    if (exitCode) *exitCode = code;
    return true;
}

void DriverEnd(Launched& p) {
    if (!p.process) return;
    if (WaitForSingleObject(p.process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(p.process, 99);
        WaitForSingleObject(p.process, 5000);
    }
    CloseHandle(p.process);
    p.process = nullptr;
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

bool Ended(const Launched& p) { return WaitForSingleObject(p.process, 0) == WAIT_OBJECT_0; }

template <typename Pred>
HWND WaitFor(const Launched& p, DWORD timeoutMs, Pred pred) {
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND w : DriverTopWindows(p.pid, true)) {
            if (pred(w)) return w;
        }
        if (Ended(p) || GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(10);
    }
}
}  // namespace

std::vector<HWND> DriverTopWindows(DWORD pid, bool visibleOnly) {
    Search s{pid, visibleOnly, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool DriverIsMessageBox(HWND window) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    return wcscmp(cls, L"#32770") == 0 && GetDlgItem(window, IDOK) && !GetDlgItem(window, IDC_GRAPHIC);
}

HWND DriverWaitMessageBox(const Launched& p, DWORD timeoutMs) {
    return WaitFor(p, timeoutMs, [](HWND w) { return DriverIsMessageBox(w); });
}

HWND DriverWaitMainWindow(const Launched& p, DWORD timeoutMs) {
    return WaitFor(p, timeoutMs, [](HWND w) { return !DriverIsMessageBox(w); });
}

bool DriverPressOk(HWND box, DWORD timeoutMs) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

bool DriverShowsWindowWithin(const Launched& p, DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (!DriverTopWindows(p.pid, true).empty()) return true;
        if (Ended(p)) return false;
        Sleep(5);
    }
    return false;
}

std::wstring DriverWindowText(HWND window) {
    wchar_t text[1024] = {};
    // A cross-process WM_GETTEXT; InternalGetWindowText would not ask.
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
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

Pixels PixelsCrop(const Pixels& all, int width, const RECT& part) {
    Pixels out;
    out.reserve(static_cast<size_t>(part.right - part.left) * static_cast<size_t>(part.bottom - part.top));
    for (LONG y = part.top; y < part.bottom; ++y)
        for (LONG x = part.left; x < part.right; ++x) out.push_back(all[static_cast<size_t>(y) * width + x]);
    return out;
}

bool DriverWaitPixels(HWND window, int width, int height, const Pixels& expected, DWORD timeoutMs, Pixels* last) {
    DWORD start = GetTickCount();
    for (;;) {
        RECT picture{0, 0, width, height}, part{};
        RECT visible = DriverVisiblePart(window);
        bool same = false;
        Pixels p;
        if (IntersectRect(&part, &picture, &visible)) {
            POINT origin{part.left, part.top};
            ClientToScreen(window, &origin);
            p = ScreenPixels(origin.x, origin.y, part.right - part.left, part.bottom - part.top);
            same = p == PixelsCrop(expected, width, part);
        }
        if (last) *last = std::move(p);
        if (same) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

std::wstring DriverEnvPath(const char* name) {
    const char* path = getenv(name);
    return path ? DriverWindowsPath(path) : std::wstring();
}

std::wstring DriverWindowsPath(const std::string& path) {
    int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), n);
    if (wide.empty() || wide[0] != L'/') return wide;
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    return L"Z:" + wide;
}

namespace {
BOOL CALLBACK FirstStaticText(HWND child, LPARAM param) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Static") != 0) return TRUE;
    std::wstring text = DriverWindowText(child);
    if (text.empty()) return TRUE;
    *reinterpret_cast<std::wstring*>(param) = text;
    return FALSE;
}
}  // namespace

BoxSeen DriverBoxRead(HWND box) {
    BoxSeen seen{};
    seen.caption = DriverWindowText(box);
    EnumChildWindows(box, FirstStaticText, reinterpret_cast<LPARAM>(&seen.text));
    seen.style = MessageBoxStyleOf(box);
    seen.hadOwner = GetWindow(box, GW_OWNER) != nullptr;
    return seen;
}
