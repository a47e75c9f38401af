#include "driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool DriverPoll(DWORD timeoutMs, DWORD stepMs, const std::function<bool()>& done) {
    for (DWORD start = GetTickCount();; Sleep(stepMs)) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
    }
}

bool Launched::Start(const std::wstring& tail, const std::wstring& exe) {
    End();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + exe + L"\"" + tail;  // CreateProcessW may write into it
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
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
    DriverPoll(timeoutMs, 10, [&] {
        for (HWND w : DriverTopWindows(p.pid, true)) {
            if (pred(w)) found = w;
        }
        return found || p.WaitExit(0);
    });
    return found;
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
    return DriverPoll(timeoutMs, 5, [&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

bool DriverAnswerBoxes(const Launched& p, DWORD timeoutMs, const std::function<void(const BoxSeen&)>& onBox,
                       const std::function<bool(HWND)>& onWindow) {
    return DriverPoll(timeoutMs, 5, [&] {
        if (p.WaitExit(0)) return true;
        for (HWND w : DriverTopWindows(p.pid, true)) {
            if (!DriverIsMessageBox(w)) {
                if (onWindow(w)) return true;
                continue;
            }
            // A program slowed by emulation or a vast picture may not answer
            // within one read's time-out: an empty text is read again.
            BoxSeen seen;
            DriverPoll(60000, 500, [&] { return !(seen = DriverBoxRead(w)).text.empty() || !IsWindow(w); });
            onBox(seen);
            DriverPressOk(w);
        }
        return false;
    });
}

bool DriverShowsWindowWithin(const Launched& p, DWORD ms) {
    bool shown = false;
    DriverPoll(ms, 5, [&] { return (shown = !DriverTopWindows(p.pid, true).empty()) || p.WaitExit(0); });
    return shown;
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

std::string DriverPixelsDiffer(HWND window, const Pixels& expected, int width, const RECT& part) {
    POINT origin{part.left, part.top};
    ClientToScreen(window, &origin);
    LONG w = part.right - part.left;
    Pixels seen = ScreenPixels(origin.x, origin.y, w, part.bottom - part.top);
    for (size_t i = 0; i < seen.size(); ++i) {
        LONG x = part.left + static_cast<LONG>(i) % w, y = part.top + static_cast<LONG>(i) / w;
        uint32_t want = expected[static_cast<size_t>(y) * width + x];
        if (seen[i] == want) continue;
        char text[80];
        snprintf(text, sizeof text, "pixel (%ld, %ld) shows #%06X, not #%06X", x, y, seen[i], want);
        return text;
    }
    return {};
}

std::string DriverWaitPixels(HWND window, int width, int height, const Pixels& expected, DWORD timeoutMs) {
    std::string differs;
    DriverPoll(timeoutMs, 20, [&] {
        RECT picture{0, 0, width, height}, visible = DriverVisiblePart(window), part{};
        differs = IntersectRect(&part, &picture, &visible) ? DriverPixelsDiffer(window, expected, width, part)
                                                           : "nothing of it can be seen";
        return differs.empty();
    });
    return differs;
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
