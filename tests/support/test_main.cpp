// Every test program starts like the viewer: thread record, font table,
// common controls and GDI+, in the program's floating-point mode.
#undef WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include "dialog/records/records.h"
#include "support/support.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    ThreadSlotSetup();
    FontTableBuild();
    ProgramCommonControlsInit();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    FpuModeSet();
    MessageBoxGuardInstall();
    int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    return result;
}
