// Helpers for the tests of dialogs and their controls.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include "app/viewer.h"  // the viewer's control id and window styles
#include "dialog/dialog.h"
#include "support/support.h"

// A dialog, destroyed at the end of the scope if a test leaves it up.
class DialogGuard {
public:
    explicit DialogGuard(HWND dialog) : dialog_(dialog) {}
    ~DialogGuard() {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
    }
    DialogGuard(const DialogGuard&) = delete;
    DialogGuard& operator=(const DialogGuard&) = delete;
    operator HWND() const { return dialog_; }
    friend void PrintTo(const DialogGuard& d, std::ostream* os) { *os << d.dialog_; }

private:
    HWND dialog_;
};

// Destroys a modal dialog that is still up after `ms` and fails the test,
// so that a broken DialogEnd costs seconds instead of CTest's time-out. A
// thread timer: the modal loop under test dispatches it.
class ModalSafety {
public:
    ModalSafety() = default;
    explicit ModalSafety(HWND dialog) { Watch(dialog); }
    ~ModalSafety() { Stop(); }
    ModalSafety(const ModalSafety&) = delete;
    ModalSafety& operator=(const ModalSafety&) = delete;
    void Watch(HWND dialog, UINT ms = 15000) {
        Stop();
        watched = dialog;
        timer_ = SetTimer(nullptr, 0, ms, &Expired);
    }

private:
    void Stop() {
        if (timer_) KillTimer(nullptr, timer_);
        timer_ = 0;
    }
    static void CALLBACK Expired(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        ADD_FAILURE() << "safety time-out: the modal dialog did not end";
        if (IsWindow(watched)) DestroyWindow(watched);
    }
    static inline thread_local HWND watched = nullptr;
    UINT_PTR timer_ = 0;
};

// Sizes, points and rectangles compare whole and print as numbers.
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
inline void PrintTo(const SIZE& s, std::ostream* os) { *os << s.cx << " x " << s.cy; }
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline void PrintTo(const POINT& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b); }
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

// A window's rectangle in its parent's client area (on the screen for a
// top-level window), and its top-left corner.
inline RECT RectInParent(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, GetAncestor(w, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
    return r;
}
inline POINT TopLeft(HWND w) { return {RectInParent(w).left, RectInParent(w).top}; }

inline SIZE OuterSize(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

inline SIZE ClientSize(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    return {r.right, r.bottom};
}

inline HWND ViewerDialog() { return DialogNew(UnitPixels, nullptr, L"", 10, 10, 302, 197, MainDialogStyle, 0); }

// A canvas's size as its record gives it, then as its bitmap has it.
using SizePair = std::pair<SIZE, SIZE>;
inline SizePair CanvasSizes(const ObjectRecord* r) {
    BITMAP b{};
    GetObjectW(GetCurrentObject(r->graphic.canvasDC, OBJ_BITMAP), sizeof b, &b);
    return {{r->graphic.canvasWidth, r->graphic.canvasHeight}, {b.bmWidth, b.bmHeight}};
}

// Whether each pixel of a width x height block is want(x, y), or one
// colour (0x00RRGGBB); a failure names the first wrong pixel.
inline ::testing::AssertionResult PixelsAre(const Pixels& p, int width, int height,
                                            const std::function<uint32_t(int, int)>& want) {
    return PixelsMatch(p, PixelsOf(width, height, want), width);
}
inline ::testing::AssertionResult PixelsAre(const Pixels& p, int width, int height, uint32_t rgb) {
    return PixelsMatch(p, Pixels(static_cast<size_t>(width) * height, rgb), width);
}

// Record flags by name, so that a failure reads (bit numbers as the
// records define them).
inline std::string FlagNames(DWORD flags) {
    const char* names[32] = {};
    names[0] = "DialogUnits", names[1] = "Pixels", names[5] = "HasFocus", names[9] = "DeferredRedraw";
    names[17] = "ChangePending", names[20] = "StretchedView", names[29] = "Control", names[30] = "Dialog";
    std::ostringstream text;
    for (int bit = 31; bit >= 0; --bit) {
        if (!(flags >> bit & 1)) continue;
        if (text.tellp() > 0) text << ' ';
        names[bit] ? text << names[bit] : text << "bit " << bit;
    }
    return text.str();
}

// Message names, so that a failure reads; the number when not listed.
inline std::string MessageName(UINT m) {
#define NAMED(m) std::pair<UINT, const char*>(m, #m)
    static const std::pair<UINT, const char*> names[] = {
        NAMED(WM_SIZE),       NAMED(WM_ACTIVATE),  NAMED(WM_CLOSE),
        NAMED(WM_DESTROY),    NAMED(WM_NCDESTROY), NAMED(WM_NCACTIVATE),
        NAMED(WM_CANCELMODE), NAMED(WM_DRAWITEM),  NAMED(WM_WINDOWPOSCHANGING),
        NAMED(WM_INITDIALOG), NAMED(WM_COMMAND),   NAMED(WM_SYSCOMMAND),
        NAMED(WM_ENTERIDLE),  NAMED(WM_HSCROLL),   NAMED(WM_VSCROLL),
    };
#undef NAMED
    for (const auto& [number, name] : names)
        if (number == m) return name;
    return std::to_string(m);
}
// The names of the logged messages that are among `only`, in order, each
// followed by a blank.
inline std::string MessageNames(const MessageLog& log, std::initializer_list<UINT> only) {
    std::ostringstream text;
    for (const LoggedMessage& e : log.entries())
        if (std::find(only.begin(), only.end(), e.message) != only.end()) text << MessageName(e.message) << ' ';
    return text.str();
}
// The first n messages of a log.
inline MessageLog LogHead(const MessageLog& log, size_t n) {
    MessageLog head;
    for (const LoggedMessage& e : log.entries())
        if (head.entries().size() < n) head.Add(e.window, e.message, e.wParam, e.lParam);
    return head;
}
