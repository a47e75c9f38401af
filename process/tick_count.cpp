// GetTickCount64 for the static C++ runtime on Windows XP.
//
// The runtime's thread library (winpthreads) measures its waits with
// GetTickCount64, which kernel32 exports only from Windows Vista on: an
// exe that imports it is refused by XP's loader before it starts. The
// library calls through the import slot `__imp_GetTickCount64`, so the
// slot is defined here instead (the link forces this file in ahead of
// kernel32's import library): kernel32's own function where it exists,
// else a millisecond count from the performance counter, which never
// wraps and never fails from Windows XP on.
#include "process.h"

// The slot's name as the linker sees it: i686 decorates stdcall names.
#if defined(__i386__)
#define VISTORA_TICK_SLOT "__imp__GetTickCount64@0"
#else
#define VISTORA_TICK_SLOT "__imp_GetTickCount64"
#endif
extern "C" ULONGLONG(WINAPI* tickCountSlot)() __asm__(VISTORA_TICK_SLOT);

// Whole seconds and the rest apart: ticks x 1000 would overflow once the
// counter passes 2^64 / 1000 (71 days at 3 GHz).
ULONGLONG WINAPI TickCountFromCounter() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    ULONGLONG ticks = counter.QuadPart, perSecond = frequency.QuadPart;
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

TickCountFunction TickCountSource() {
    // Looked up by name: the headers for Windows XP do not declare it.
    auto own = reinterpret_cast<TickCountFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
    return own ? own : TickCountFromCounter;
}

namespace {

// Resolved once; threads racing here store the same pointer.
ULONGLONG WINAPI TickCountFirstCall() {
    tickCountSlot = TickCountSource();
    return tickCountSlot();
}

}  // namespace

ULONGLONG(WINAPI* tickCountSlot)() = TickCountFirstCall;
