// Scoped GDI handles for the inside of a function: a memory DC, a bitmap,
// a brush, a window's DC and an object selected into a DC, each given back
// once on every way out unless handed on with release() (keep() for a
// selection). Not copyable. The layers' interfaces still take and return
// plain handles. The kernel's own are in process/scoped_handle.h.
#pragma once

#include <windows.h>

#include <utility>

#include "process/scoped_handle.h"

// DeleteObject with the handle's own type, so that it fits ScopedHandle.
template <typename Object>
BOOL WINAPI GdiObjectDelete(Object object) {
    return DeleteObject(object);
}

// A memory DC from CreateCompatibleDC: DeleteDC. A bitmap or a brush:
// DeleteObject.
using ScopedMemoryDC = ScopedHandle<HDC, DeleteDC>;
using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectDelete<HBITMAP>>;
using ScopedBrush = ScopedHandle<HBRUSH, GdiObjectDelete<HBRUSH>>;

// A window's DC from GetDC (the screen's for no window): ReleaseDC.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC: the DC's previous object goes back in.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc) {
        HGDIOBJ previous = dc && object ? SelectObject(dc, object) : nullptr;
        previous_ = previous == HGDI_ERROR ? nullptr : previous;
    }
    ~ScopedSelection() { restore(); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    ScopedSelection(ScopedSelection&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    ScopedSelection& operator=(ScopedSelection&&) = delete;
    // Whether the object went in.
    explicit operator bool() const { return previous_ != nullptr; }
    // Leaves the object selected; the previous one is the caller's now.
    HGDIOBJ keep() { return std::exchange(previous_, nullptr); }
    void restore() {
        if (previous_) SelectObject(dc_, previous_);
        previous_ = nullptr;
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};
