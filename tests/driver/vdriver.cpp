// Command-line face of the end-to-end driver, for scripts.
//   vdriver show EXE PICTURE HOLD_MS
// starts EXE on PICTURE, answers any message box with OK, waits for the
// main window, prints "ready LEFT TOP WIDTH HEIGHT" (its outer rectangle),
// waits HOLD_MS, clicks the picture and prints "exit CODE".
#include <cstdio>
#include <cstdlib>

#include "driver.h"

namespace {

int Show(const std::wstring& exe, const std::wstring& picture, DWORD hold) {
    Launched p;
    if (!DriverLaunch(exe, L"\"" + exe + L"\" \"" + picture + L"\"", &p)) {
        fprintf(stderr, "cannot start the viewer\n");
        return 2;
    }
    HWND main = nullptr;
    DWORD start = GetTickCount();
    while (!main && GetTickCount() - start < 20000) {
        if (HWND box = DriverWaitMessageBox(p, 50)) {
            BoxSeen seen = DriverBoxRead(box);
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
    DriverClick(GetDlgItem(main, 1001), 1, 1);
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "show") == 0) {
        return Show(DriverWindowsPath(argv[2]), DriverWindowsPath(argv[3]), static_cast<DWORD>(atoi(argv[4])));
    }
    fprintf(stderr, "usage: vdriver show EXE PICTURE HOLD_MS\n");
    return 1;
}
