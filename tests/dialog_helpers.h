// Scaffolding for the tests of dialogs and their controls.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <tuple>
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

inline HWND ViewerDialog() { return DialogNew(UnitPixels, nullptr, L"", 10, 10, 302, 197, MainDialogStyle, 0); }

// The changed area a record holds: left, top, right, bottom.
inline auto ChangedArea(const ObjectRecord* r) {
    const GraphicState& g = r->graphic;
    return std::tuple(g.changedLeft, g.changedTop, g.changedRight, g.changedBottom);
}
// What a refresh leaves: left and top past every canvas, right and bottom 0.
inline const auto ChangedNone = std::tuple(UINT_MAX, UINT_MAX, 0u, 0u);

// A canvas's size as its record gives it, then as its bitmap has it.
using SizePair = std::pair<SIZE, SIZE>;
inline SizePair CanvasSizes(const ObjectRecord* r) {
    BITMAP b{};
    GetObjectW(GetCurrentObject(r->graphic.canvasDC, OBJ_BITMAP), sizeof b, &b);
    return {{r->graphic.canvasWidth, r->graphic.canvasHeight}, {b.bmWidth, b.bmHeight}};
}
