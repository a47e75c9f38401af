// The viewer's state and main procedure: GDI+ and the common controls
// around the main window.
#include "viewer.h"

#include <commctrl.h>

#include "gdiplus_flat.h"
#include "process/scoped_handle.h"

// The viewer's state, all of it: defined here, beside the step that puts
// it in its initial state before ViewerMain runs.
ULONG_PTR GdiplusToken = 0;
HWND MainDialog = nullptr;
LONG_PTR PrevGraphicProc = 0;
wchar_t ImagePath[ImagePathSize] = {};
HBITMAP ViewBitmap = nullptr;
HWND SavedFocus = nullptr;
int ImageWidth = 0;
int ImageHeight = 0;

void ViewerInitialState() {
    GdiplusToken = 0;
    MainDialog = nullptr;
    PrevGraphicProc = 0;
    ImagePath[0] = L'\0';
    ViewBitmap = nullptr;
    SavedFocus = nullptr;
    ImageWidth = 0;
    ImageHeight = 0;
    FontTableBuild();
}

namespace {

// The common control classes once more, through InitCommonControlsEx where
// the loaded DLL has it.
void CommonControlsRegister() {
    ScopedLibrary comctl(LoadLibraryA("COMCTL32.DLL"));
    if (!comctl) return;
    typedef BOOL(WINAPI * InitEx)(const INITCOMMONCONTROLSEX*);
    auto initEx =
        reinterpret_cast<InitEx>(reinterpret_cast<void*>(GetProcAddress(comctl.get(), "InitCommonControlsEx")));
    if (!initEx) {
        InitCommonControls();
        return;
    }
    // 0x9FF: the Windows 95 classes, date and Internet controls.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                 ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_INTERNET_CLASSES};
    initEx(&classes);
}

}  // namespace

int ViewerMain() {
    ErrorScope errors;
    GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    GpStatus status = GdiplusStartup(&GdiplusToken, &input, nullptr);
    FpuModeSet();
    if (status != 0) {
        MessageBoxShow(L"error inicializando GDI+ ...", L"Programador", 0);
        return 0;
    }
    CommonControlsRegister();
    ShowMainDialog(nullptr);
    GdiplusShutdown(GdiplusToken);
    FpuModeSet();
    return 0;
}
