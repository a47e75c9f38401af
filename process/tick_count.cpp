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
#include <windows.h>

// The slot's name as the linker sees it: i686 decorates stdcall names.
#if defined(__i386__)
#define VISTORA_TICK_SLOT "__imp__GetTickCount64@0"
#else
#define VISTORA_TICK_SLOT "__imp_GetTickCount64"
#endif
extern "C" ULONGLONG(WINAPI* tickCountSlot)() __asm__(VISTORA_TICK_SLOT);

namespace {

ULONGLONG WINAPI TickCountFromCounter() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    ULONGLONG ticks = counter.QuadPart, perSecond = frequency.QuadPart;
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

// Resolved once; threads racing here store the same pointer.
ULONGLONG WINAPI TickCountFirstCall() {
    auto own = reinterpret_cast<ULONGLONG(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
    tickCountSlot = own ? own : TickCountFromCounter;
    return tickCountSlot();
}

}  // namespace

ULONGLONG(WINAPI* tickCountSlot)() = TickCountFirstCall;
