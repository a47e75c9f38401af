// The main window: a dialog whose one graphic control shows the picture.
#include "viewer.h"

void ImagePathStore(const std::wstring& path) {
    size_t n = path.size() < ImagePathSize - 1 ? path.size() : ImagePathSize - 1;
    path.copy(ImagePath, n);
    ImagePath[n] = L'\0';
}

HWND MainDialogBuild(HWND owner) {
    // A hidden dialog at (10, 10) with a 302 x 197 client area.
    MainDialog = DialogNew(UnitPixels, owner, L"", 10, 10, 302, 197, MainDialogStyle, 0);
    ControlAddGraphic(MainDialog, IDC_GRAPHIC, L"", 0, 0, 150, 81, GraphicControlStyle, 0, nullptr);
    GraphicAttach(MainDialog, IDC_GRAPHIC, FALSE);
    GraphicSetColor(ColorDefault, RGB(255, 255, 255));
    GraphicClear(ColorDefault, 0);
    HWND control = ControlHandle(MainDialog, IDC_GRAPHIC);
    PrevGraphicProc = SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GraphicClickProc));
    return MainDialog;
}

int ShowMainDialog(HWND owner) {
    ErrorScope errors;
    MainDialogBuild(owner);
    int result = 0;
    DialogShowModal(MainDialog, MainDialogProc, &result);
    return result;
}

namespace {

// Window and control at the picture's size.
void MainDialogFit(HWND dialog) {
    DialogSetSize(dialog, ImageWidth + FrameAllowanceWidth, ImageHeight + FrameAllowanceHeight);
    ControlSetSize(dialog, IDC_GRAPHIC, ImageWidth, ImageHeight);
}

// Whether the control's canvas could be made at the picture's size; the
// control keeps its old, smaller canvas when it could not.
bool CanvasHoldsPicture(HWND dialog) {
    GraphicAttach(dialog, IDC_GRAPHIC, FALSE);
    GraphicCanvas canvas = GraphicGetCanvas();
    GraphicDetach();
    return RoundHalfEven(canvas.width) == ImageWidth && RoundHalfEven(canvas.height) == ImageHeight;
}

}  // namespace

void MainDialogShowPicture(HWND dialog) {
    ErrorScope errors;
    ViewBitmap = LoadImageAsBitmap(ImagePath);
    MainDialogFit(dialog);
    if (ImageWidth > 0 && !CanvasHoldsPicture(dialog)) {
        // No room for the control's canvas: give the memory back, then say
        // so (the box needs memory of its own) and show the almost empty
        // window that a picture that cannot be read gives, never a window
        // with a part of the picture or none.
        GraphicAttach(ViewBitmap, 0, FALSE);
        GraphicBitmapEnd();
        TooLargeBoxShow(static_cast<UINT>(ImageWidth), static_cast<UINT>(ImageHeight), ImagePath);
        ImageWidth = ImageHeight = 0;
        ViewBitmap = GraphicBitmapNew(0, 0);
        MainDialogFit(dialog);
    }
    DialogSetText(dialog, FileNameOfPath(ImagePath));
    GraphicAttach(dialog, IDC_GRAPHIC, FALSE);
    GraphicCopy(ViewBitmap, 0, MixPlainCopy);
    GraphicRedraw();
}

namespace {

void MainDialogInit(HWND dialog) {
    if (CommandTail().empty()) {
        DialogEnd(dialog, 0);
        return;
    }
    ImagePathStore(RemoveChars(CommandTail(), L"\""));
    if (!FileExists(ImagePath)) {
        DialogEnd(dialog, 0);
        return;
    }
    MainDialogShowPicture(dialog);
}

}  // namespace

INT_PTR MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    ErrorScope errors;
    switch (message) {
    case WM_INITDIALOG:
        MainDialogInit(dialog);
        break;
    case WM_NCACTIVATE:
        if (!wParam) {
            SavedFocus = GetFocus();
        } else if (SavedFocus) {
            SetFocus(SavedFocus);
            SavedFocus = nullptr;
        }
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CALLBACK GraphicClickProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ErrorScope errors;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) DialogEnd(MainDialog, 0);
    return CallWindowProcA(reinterpret_cast<WNDPROC>(PrevGraphicProc), window, message, wParam, lParam);
}
