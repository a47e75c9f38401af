// Command-line face of the end-to-end driver, for scripts.
//   vdriver time EXE PICTURE
// prints "ms N": from just before process creation to the moment the
// screen shows the picture's pixels in the program's picture area (the
// control IDC_GRAPHIC, or the client area of a program without one).
//   vdriver show EXE PICTURE HOLD_MS
// starts EXE on PICTURE, answers any message box with OK, waits for the
// main window, prints "ready LEFT TOP WIDTH HEIGHT" (its outer rectangle),
// waits HOLD_MS, clicks the picture and prints "exit CODE".
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "driver.h"

namespace {

// A 200-megapixel photo takes minutes to load under software emulation.
constexpr DWORD LoadPatienceMs = 600000;

int Show(const std::wstring& exe, const std::wstring& picture, DWORD hold) {
    Launched p;
    if (!DriverLaunch(exe, L"\"" + exe + L"\" \"" + picture + L"\"", &p)) {
        fprintf(stderr, "cannot start the viewer\n");
        return 2;
    }
    HWND main = nullptr;
    DWORD start = GetTickCount();
    while (!main && GetTickCount() - start < LoadPatienceMs) {
        if (HWND box = DriverWaitMessageBox(p, 50)) {
            BoxSeen seen = DriverBoxRead(box);
            // A viewer slowed by emulation or a vast picture may not answer
            // within one read's time-out: an empty text is read again.
            for (DWORD asked = GetTickCount(); seen.text.empty() && IsWindow(box) && GetTickCount() - asked < 60000;
                 Sleep(500))
                seen = DriverBoxRead(box);
            fprintf(stdout, "box %ls\n", seen.text.c_str());
            DriverPressOk(box);
        }
        for (HWND w : DriverTopWindows(p.pid, true)) {
            if (!DriverIsMessageBox(w)) main = w;
        }
        DWORD code;
        if (DriverWaitExit(p, 0, &code)) {
            fprintf(stdout, "exit %lu\n", code);
            fflush(stdout);
            CloseHandle(p.process);
            return 0;
        }
    }
    if (!main) {
        fprintf(stderr, "no window appeared\n");
        DriverEnd(p);
        return 3;
    }
    RECT r;
    GetWindowRect(main, &r);
    fprintf(stdout, "ready %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    fflush(stdout);
    Sleep(hold);
    HWND area = GetDlgItem(main, IDC_GRAPHIC) ? GetDlgItem(main, IDC_GRAPHIC) : main;
    // The top-left pixel: after an unreadable picture the area is 1 x 1.
    DriverClick(area, 0, 0);
    DWORD code = 0;
    if (!DriverWaitExit(p, 10000, &code)) {
        fprintf(stderr, "the viewer did not close\n");
        DriverEnd(p);
        return 4;
    }
    fprintf(stdout, "exit %lu\n", code);
    fflush(stdout);
    CloseHandle(p.process);
    return 0;
}

bool Matches(const Pixels& expected, int w, int x0, int y0, const POINT& origin, int cw, int ch) {
    Pixels seen = ScreenPixels(origin.x + x0, origin.y + y0, cw, ch);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            if (seen[static_cast<size_t>(y) * cw + x] != expected[static_cast<size_t>(y0 + y) * w + x0 + x])
                return false;
    return true;
}

int Time(const std::wstring& exe, const std::wstring& picture) {
    int w = 0, h = 0;
    Pixels expected = PictureRendered(picture, &w, &h);
    if (expected.empty()) {
        fprintf(stderr, "GDI+ cannot read the picture\n");
        return 2;
    }
    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    Launched p;
    if (!DriverLaunch(exe, L"\"" + exe + L"\" \"" + picture + L"\"", &p)) return 3;
    bool seen = false;
    HWND area = nullptr;
    while (!seen && !DriverWaitExit(p, 0, nullptr)) {
        QueryPerformanceCounter(&t1);
        if ((t1.QuadPart - t0.QuadPart) / frequency.QuadPart > LoadPatienceMs / 1000) break;
        for (HWND win : DriverTopWindows(p.pid, true)) {
            if (DriverIsMessageBox(win)) continue;
            area = GetDlgItem(win, IDC_GRAPHIC) ? GetDlgItem(win, IDC_GRAPHIC) : win;
        }
        if (!area) {
            Sleep(1);
            continue;
        }
        POINT origin{0, 0};
        ClientToScreen(area, &origin);
        // Only what can be seen can be compared: the screen and, when the
        // system's caption is taller than the viewer's allowance, the
        // dialog's client area cut the picture's right or bottom edge.
        RECT visible = DriverVisiblePart(area);
        int vw = std::min(w, static_cast<int>(visible.right));
        int vh = std::min(h, static_cast<int>(visible.bottom));
        int s = std::min({32, vw, vh});
        if (s > 0 && Matches(expected, w, 0, 0, origin, s, s) &&
            Matches(expected, w, vw - s, vh - s, origin, s, s)) {
            QueryPerformanceCounter(&t1);
            seen = Matches(expected, w, 0, 0, origin, vw, vh);
        }
        if (!seen) Sleep(1);
    }
    if (seen) {
        fprintf(stdout, "ms %.1f\n", (t1.QuadPart - t0.QuadPart) * 1000.0 / frequency.QuadPart);
    } else {
        fprintf(stdout, "error the picture never appeared\n");
    }
    fflush(stdout);
    if (area) PostMessageW(area, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    if (!DriverWaitExit(p, 10000, nullptr)) DriverEnd(p);
    if (p.process) CloseHandle(p.process);
    return seen ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "show") == 0) {
        return Show(DriverWindowsPath(argv[2]), DriverWindowsPath(argv[3]), static_cast<DWORD>(atoi(argv[4])));
    }
    if (argc == 4 && strcmp(argv[1], "time") == 0) {
        return Time(DriverWindowsPath(argv[2]), DriverWindowsPath(argv[3]));
    }
    fprintf(stderr, "usage: vdriver show EXE PICTURE HOLD_MS | vdriver time EXE PICTURE\n");
    return 1;
}
