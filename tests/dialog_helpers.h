// Helpers for the tests of dialogs and their controls.
#pragma once

#include <windows.h>

#include "dialog/dialog.h"

// Destroys a dialog left over by a failing test.
class DialogGuard {
public:
    explicit DialogGuard(HWND dialog) : dialog_(dialog) {}
    ~DialogGuard() {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
    }
    DialogGuard(const DialogGuard&) = delete;
    DialogGuard& operator=(const DialogGuard&) = delete;

private:
    HWND dialog_;
};

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

inline HWND ViewerDialog() { return DialogNew(UnitPixels, nullptr, L"", 10, 10, 302, 197, 0x20000, 0); }

