// Scoped GDI handles for the inside of a function: a memory DC, a bitmap,
// a window's DC and an object selected into a DC, each given back once on every
// way out unless handed on with release(). Not copyable; movable. The
// layers' interfaces still take and return plain handles.
#pragma once

#include <windows.h>

#include <utility>

// A handle given back with `Free`: DeleteDC for a memory DC from
// CreateCompatibleDC, DeleteObject for a bitmap.
template <typename Handle, BOOL(WINAPI* Free)(Handle)>
class ScopedGdi {
public:
    explicit ScopedGdi(Handle handle = nullptr) : handle_(handle) {}
    ~ScopedGdi() {
        if (handle_) Free(handle_);
    }
    ScopedGdi(const ScopedGdi&) = delete;
    ScopedGdi& operator=(const ScopedGdi&) = delete;
    ScopedGdi(ScopedGdi&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedGdi& operator=(ScopedGdi&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Handle get() const { return handle_; }
    Handle release() { return std::exchange(handle_, nullptr); }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_;
};

inline BOOL WINAPI GdiBitmapDelete(HBITMAP bitmap) { return DeleteObject(bitmap); }

using ScopedMemoryDC = ScopedGdi<HDC, DeleteDC>;
using ScopedBitmap = ScopedGdi<HBITMAP, GdiBitmapDelete>;

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
