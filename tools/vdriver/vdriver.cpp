// Command-line face of the end-to-end driver (tests/driver/), for scripts.
//   vdriver time EXE PICTURE
// prints "ms N": from just before process creation to the moment the
// screen shows the picture's pixels in the program's picture area (the
// control IDC_GRAPHIC, or the client area of a program without one).
//   vdriver show EXE PICTURE HOLD_MS
// starts EXE on PICTURE, answers any message box with OK ("box TEXT"),
// waits for the main window and, where the driver can tell, for the
// picture to show in it; prints "ready LEFT TOP WIDTH HEIGHT" (its outer
// rectangle), holds it HOLD_MS, prints "held CPU_MS PEAK_MIB" (the
// program's processor time over the hold and its peak working set),
// clicks the picture and prints "exit CODE".
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "driver/driver.h"

#include <psapi.h>  // after windows.h
#include <tlhelp32.h>

namespace {

// A 200-megapixel photo takes minutes to load under software emulation.
constexpr DWORD LoadPatienceMs = 600000;

HWND AreaOf(HWND main) { return GetDlgItem(main, IDC_GRAPHIC) ? GetDlgItem(main, IDC_GRAPHIC) : main; }

// Whether what can be seen of the area shows the w x h picture: two
// corners first, which are quick to read, then the whole. Only what can be
// seen can be compared: the screen and, when the system's caption is
// taller than the viewer's allowance, the dialog's client area cut the
// picture's right or bottom edge.
bool Shows(HWND area, const Pixels& expected, int w, int h) {
    RECT visible = DriverVisiblePart(area);
    LONG vw = std::min<LONG>(w, visible.right), vh = std::min<LONG>(h, visible.bottom);
    LONG s = std::min<LONG>({32, vw, vh});
    if (s <= 0) return false;
    for (RECT part : {RECT{0, 0, s, s}, RECT{vw - s, vh - s, vw, vh}, RECT{0, 0, vw, vh}}) {
        if (!DriverScreenShows(area, expected, w, part)) return false;
    }
    return true;
}

// The processor time of all the process's threads: under Wine the time
// of another process as a whole is not kept up to date, its threads' is.
ULONGLONG CpuMs(DWORD pid) {
    auto ms = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000; };
    ULONGLONG total = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created, ended, kernel, user;
        if (thread && GetThreadTimes(thread, &created, &ended, &kernel, &user)) total += ms(kernel) + ms(user);
        if (thread) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}

int Show(const std::wstring& exe, const std::wstring& picture, DWORD hold) {
    int w = 0, h = 0;
    Pixels expected = PictureRendered(picture, &w, &h);  // empty when GDI+ here cannot read it
    Launched p;
    if (!p.Start(L" \"" + picture + L"\"", exe)) {
        fprintf(stderr, "cannot start the program\n");
        return 2;
    }
    HWND main = nullptr;
    auto box = [](const BoxSeen& seen) { fprintf(stdout, "box %ls\n", seen.text.c_str()); };
    DriverAnswerBoxes(p, LoadPatienceMs, box, [&](HWND window) { return (main = window) != nullptr; });
    DWORD code = 0;
    if (!main && p.WaitExit(0, &code)) {
        fprintf(stdout, "exit %lu\n", code);
        return 0;
    }
    if (!main) {
        fprintf(stderr, "no window appeared\n");
        return 3;
    }
    // A picture shown at its own size is awaited on the screen; after a box
    // the area is 1 x 1 and there is nothing to wait for.
    HWND area = AreaOf(main);
    RECT own{};
    GetClientRect(area, &own);
    if (!expected.empty() && own.right == w && own.bottom == h &&
        !PumpUntil([&] { return Shows(area, expected, w, h); }, LoadPatienceMs, 20)) {
        fprintf(stderr, "the picture never appeared\n");
        return 3;
    }
    RECT r;
    GetWindowRect(main, &r);
    fprintf(stdout, "ready %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    fflush(stdout);
    ULONGLONG cpu = CpuMs(p.pid);
    if (!p.WaitExit(hold)) {
        PROCESS_MEMORY_COUNTERS memory{};
        GetProcessMemoryInfo(p.process, &memory, sizeof memory);
        fprintf(stdout, "held %llu %llu\n", CpuMs(p.pid) - cpu,
                static_cast<ULONGLONG>(memory.PeakWorkingSetSize >> 20));
        fflush(stdout);
        // The top-left pixel: after an unreadable picture the area is 1 x 1.
        DriverClick(area, 0, 0);
    }
    if (!p.WaitExit(10000, &code)) {
        fprintf(stderr, "the program did not close\n");
        return 4;
    }
    fprintf(stdout, "exit %lu\n", code);
    return 0;
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
    if (!p.Start(L" \"" + picture + L"\"", exe)) return 3;
    HWND area = nullptr;
    bool seen = false;
    PumpUntil(
        [&] {
            for (HWND win : DriverTopWindows(p.pid, true)) {
                if (!MessageBoxIs(win)) area = AreaOf(win);
            }
            QueryPerformanceCounter(&t1);
            return (seen = area && Shows(area, expected, w, h)) || p.WaitExit(0);
        },
        LoadPatienceMs, 1);
    if (seen) {
        fprintf(stdout, "ms %.1f\n", (t1.QuadPart - t0.QuadPart) * 1000.0 / frequency.QuadPart);
    } else {
        fprintf(stdout, "error the picture never appeared\n");
    }
    fflush(stdout);
    if (area) PostMessageW(area, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    p.WaitExit(10000);
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
