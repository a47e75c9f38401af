// The graphic control: an owner-drawn STATIC that shows its canvas.
#include "operation.h"

#include <algorithm>

namespace {

// A keystroke is kept as its scan-code byte, in place in lParam.
constexpr UINT KeySlotScanCode = 0xFF0000;

LRESULT PassOn(const ObjectRecord* record, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = record->graphic.previousProc;
    if (!previous) return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

// The scan code and the extended-key flag of a key message's lParam.
UINT ScanCodeOf(LPARAM lParam) { return LOBYTE(HIWORD(lParam)); }
bool IsExtendedKey(LPARAM lParam) { return HIWORD(lParam) & KF_EXTENDED; }

// A requested control size in pixels, at least 1 x 1 before conversion.
SIZE ResizeInPixels(const ObjectRecord* record, int width, int height) {
    RECT size{0, 0, std::max(width, 1), std::max(height, 1)};
    if (record->flags & FlagDialogUnits) DialogUnitsToPixels(record->handle, &size);
    return SIZE{size.right, size.bottom};
}

// What the window's frame adds to its client area.
SIZE BorderOf(HWND window) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
}

}  // namespace

void GraphicControlInit(HWND window, ObjectRecord* record) {
    GraphicState& g = record->graphic;
    g.previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GraphicControlProc)));
    // Without a canvas, painting copies nothing and drawing has no effect.
    ControlCanvasMake(window, g);
    if (g.canvasDC) GraphicCanvasPrepare(record);
    g.penWidth = 0;
    GraphicTargetAdopt(window);
}

bool GraphicKeyIsStored(LPARAM lParam, bool numLockOn, bool shiftDown) {
    UINT scan = ScanCodeOf(lParam);
    if (IsExtendedKey(lParam)) {
        return scan != ScanEnter && scan != ScanSlash && scan != ScanCapsLock && scan != ScanNumLock &&
               scan != ScanScrollLock;
    }
    if ((scan >= ScanF1 && scan <= ScanF10) || scan == ScanF11 || scan == ScanF12) return true;
    if (scan >= ScanKeypadFirst && scan <= ScanKeypadLast && scan != ScanKeypadMinus && scan != ScanKeypadPlus) {
        return !numLockOn || shiftDown;
    }
    return false;
}

LRESULT CALLBACK GraphicControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ObjectRecord* record = ObjectRecordFind(window);
    if (!record) return 0;
    switch (message) {
    case WM_LBUTTONDOWN:
        SetFocus(window);
        break;
    case WM_SETFOCUS:
        record->flags |= FlagHasFocus;
        break;
    case WM_KILLFOCUS:
        record->flags &= ~FlagHasFocus;
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_CHAR:
        if (LOBYTE(wParam) == '\t') break;
        record->graphic.keySlot = static_cast<UINT>(wParam);
        return 0;
    case WM_KEYDOWN:
        if (!GraphicKeyIsStored(lParam, GetKeyState(VK_NUMLOCK) & 1, GetKeyState(VK_SHIFT) < 0)) break;
        record->graphic.keySlot = static_cast<UINT>(lParam) & KeySlotScanCode;
        return 0;
    case WM_SYSKEYDOWN:
        if (ScanCodeOf(lParam) != ScanF10 || IsExtendedKey(lParam)) break;
        record->graphic.keySlot = static_cast<UINT>(lParam) & KeySlotScanCode;
        return 0;
    case WM_MOUSEWHEEL: {
        short delta = static_cast<short>(HIWORD(wParam));
        UINT scroll = (LOWORD(wParam) & MK_SHIFT) ? WM_HSCROLL : WM_VSCROLL;
        SendMessageW(window, scroll, delta >= 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        return 0;
    }
    default:
        break;
    }
    return PassOn(record, window, message, wParam, lParam);
}

BOOL GraphicPaint(HWND dialog, const DRAWITEMSTRUCT* item) {
    if (!item || !(item->itemAction & ODA_DRAWENTIRE)) return FALSE;
    ObjectRecord* record = ObjectRecordFind(GetDlgItem(dialog, static_cast<int>(item->CtlID)));
    if (!record || record->kind != KindGraphicControl) return FALSE;
    const GraphicState& g = record->graphic;
    if (!g.canvasDC) return TRUE;
    if (record->flags & FlagStretchedView) {
        StretchBlt(item->hDC, 0, 0, g.viewWidth, g.viewHeight, g.canvasDC, 0, 0, g.canvasWidth, g.canvasHeight,
                   SRCCOPY);
    } else {
        BitBlt(item->hDC, 0, 0, g.viewWidth, g.viewHeight, g.canvasDC, g.scrollX, g.scrollY, SRCCOPY);
    }
    return TRUE;
}

void GraphicControlResize(ObjectRecord* record, int width, int height) {
    GraphicEntry entry(record);
    GraphicState& g = record->graphic;
    HWND window = static_cast<HWND>(record->handle);
    SIZE request = ResizeInPixels(record, width, height);
    SIZE border = BorderOf(window);
    // A border wider than the request still leaves a 1-pixel client area.
    int newWidth = std::max(request.cx - border.cx, 1L);
    int newHeight = std::max(request.cy - border.cy, 1L);
    g.clientWidth = g.viewWidth = newWidth;
    g.clientHeight = g.viewHeight = newHeight;
    if (g.canvasDC && !(record->flags & FlagStretchedView)) CanvasRebuild(g, newWidth, newHeight);
    // SetWindowPos sends messages to the control's procedures and the dialog.
    bool alive = GraphicUnlocked(record, [&] {
        SetWindowPos(window, nullptr, 0, 0, newWidth + border.cx, newHeight + border.cy, SWP_NOMOVE | SWP_NOZORDER);
    });
    if (!alive) return;
    GraphicMarkChanged(record, 0, 0, g.canvasWidth, g.canvasHeight);
}
