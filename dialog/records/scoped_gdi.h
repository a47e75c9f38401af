// Scoped GDI handles for the inside of a function: a memory DC, a GDI
// object and an object selected into a DC, each given back once on every
// way out unless handed on with release(). Not copyable; movable. The
// layers' interfaces still take and return plain handles.
#pragma once

#include <windows.h>

#include <utility>

// A memory DC from CreateCompatibleDC: DeleteDC.
class ScopedMemoryDC {
public:
    explicit ScopedMemoryDC(HDC dc = nullptr) : dc_(dc) {}
    ~ScopedMemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC(ScopedMemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    ScopedMemoryDC& operator=(ScopedMemoryDC&& other) noexcept {
        std::swap(dc_, other.dc_);
        return *this;
    }
    HDC get() const { return dc_; }
    HDC release() { return std::exchange(dc_, nullptr); }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

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

// A GDI object (bitmap, brush, ...): DeleteObject.
template <typename Handle>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(Handle object = nullptr) : object_(object) {}
    ~ScopedGdiObject() {
        if (object_) DeleteObject(object_);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    ScopedGdiObject(ScopedGdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    Handle get() const { return object_; }
    Handle release() { return std::exchange(object_, nullptr); }
    explicit operator bool() const { return object_ != nullptr; }

private:
    Handle object_;
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
