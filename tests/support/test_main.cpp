// Every test program starts like the viewer: thread record, font table,
// common controls and GDI+, in the program's floating-point mode.
#undef WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "dialog/records/records.h"
#include "support/support.h"

namespace {

// For run-tests.cmd's report: Wine, bitness, DPI and the metrics tests read.
void PlatformPrint() {
    auto wine = reinterpret_cast<const char*(CDECL*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    HDC screen = GetDC(nullptr);
    printf("[ platform ] Wine %s, %d-bit, %d dpi, caption %d, fixed frame %d x %d, minimum window %d x %d\n",
           wine ? wine() : "none", int(sizeof(void*) * 8), GetDeviceCaps(screen, LOGPIXELSY),
           GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME),
           GetSystemMetrics(SM_CXMIN), GetSystemMetrics(SM_CYMIN));
    ReleaseDC(nullptr, screen);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    PlatformPrint();
    // run-tests.cmd's limit in seconds for the whole program (no CTest there).
    std::optional<HangWatchdog> limit;
    if (const char* seconds = getenv("VISTORA_TIME_LIMIT")) limit.emplace(atoi(seconds) * 1000u, "the time limit");
    ThreadSlotSetup();
    FontTableBuild();
    ProgramCommonControlsInit();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    FpuModeSet();
    MessageBoxGuardInstall();
    int result = RUN_ALL_TESTS();
    const testing::UnitTest& run = *testing::UnitTest::GetInstance();
    printf("[ counts   ] passed %d failed %d skipped %d\n", run.successful_test_count(), run.failed_test_count(),
           run.skipped_test_count());
    Gdiplus::GdiplusShutdown(token);
    return result;
}
