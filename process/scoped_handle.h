// Scoped handles for the inside of a function: a handle given back once on
// every way out unless handed on with release(). Not copyable; movable. The
// layers' interfaces still take and return plain handles. The GDI ones live
// with the records (dialog/records/scoped_gdi.h); the kernel's are here.
#pragma once

#include <windows.h>

#include <utility>

// A handle given back with `Free`; a null handle is nobody's.
template <typename Handle, BOOL(WINAPI* Free)(Handle)>
class ScopedHandle {
public:
    explicit ScopedHandle(Handle handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_) Free(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Handle get() const { return handle_; }
    Handle release() { return std::exchange(handle_, nullptr); }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_;
};

// A loaded DLL: FreeLibrary.
using ScopedLibrary = ScopedHandle<HMODULE, FreeLibrary>;
// A file search from FindFirstFile: FindClose. Its failure value is
// INVALID_HANDLE_VALUE, not null: test it before it is taken over.
using ScopedFind = ScopedHandle<HANDLE, FindClose>;
