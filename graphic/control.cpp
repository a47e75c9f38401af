// The graphic control: an owner-drawn STATIC that shows its canvas.
#include "operation.h"

#include <algorithm>

namespace {

// A keystroke is kept as its scan-code byte, in place in lParam.
constexpr UINT KeySlotScanCode = 0xFF0000;

void ChangedEmpty(GraphicState& g) {
    g.changedLeft = g.changedTop = 0xFFFFFFFF;
    g.changedRight = g.changedBottom = 0;
}

LRESULT PassOn(const ObjectRecord* record, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = record->graphic.previousProc;
    if (!previous) return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

}  // namespace

void GraphicControlInit(HWND window, ObjectRecord* record) {
    GraphicState& g = record->graphic;
    g.previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GraphicControlProc)));
    if (HDC dc = GetDC(window)) {
        RECT client{};
        GetClientRect(window, &client);
        int w = client.right, h = client.bottom;
        g.clientWidth = g.viewWidth = g.canvasWidth = g.referenceWidth = w;
        g.clientHeight = g.viewHeight = g.canvasHeight = g.referenceHeight = h;
        HDC canvas = CreateCompatibleDC(dc);
        // At 0 x 0 Windows gives the 1 x 1 monochrome bitmap, and every later
        // canvas, made compatible with this one, would stay black and white.
        HBITMAP bitmap = canvas ? CreateCompatibleBitmap(dc, std::max(w, 1), std::max(h, 1)) : nullptr;
        HGDIOBJ initial = bitmap ? SelectObject(canvas, bitmap) : nullptr;
        if (initial && initial != HGDI_ERROR) {
            g.canvasDC = canvas;
            g.initialBitmap = static_cast<HBITMAP>(initial);
            FillRect(canvas, &client, g.backgroundBrush);
        } else {
            // No canvas: painting copies nothing and drawing has no effect.
            if (bitmap) DeleteObject(bitmap);
            if (canvas) DeleteDC(canvas);
        }
        ReleaseDC(window, dc);
        if (g.canvasDC) GraphicCanvasPrepare(record);
    }
    g.penWidth = 0;
    GraphicTargetAdopt(window);
}

bool GraphicKeyIsStored(LPARAM lParam, bool numLockOn, bool shiftDown) {
    UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
    bool extended = (static_cast<UINT>(lParam) >> 24) & 1;
    if (extended) return scan != 0x1C && scan != 0x35 && scan != 0x3A && scan != 0x45 && scan != 0x46;
    if ((scan >= 0x3B && scan <= 0x44) || scan == 0x57 || scan == 0x58) return true;
    if (scan >= 0x47 && scan <= 0x53 && scan != 0x4A && scan != 0x4E) return !numLockOn || shiftDown;
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
        if ((wParam & 0xFF) == '\t') break;
        record->graphic.keySlot = static_cast<UINT>(wParam);
        return 0;
    case WM_KEYDOWN:
        if (!GraphicKeyIsStored(lParam, GetKeyState(VK_NUMLOCK) & 1, GetKeyState(VK_SHIFT) < 0)) break;
        record->graphic.keySlot = static_cast<UINT>(lParam) & KeySlotScanCode;
        return 0;
    case WM_SYSKEYDOWN:
        if (((lParam >> 16) & 0xFF) != 0x44 || ((lParam >> 24) & 1)) break;
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

ObjectRecord* GraphicRefresh(ObjectRecord* record) {
    GraphicState& g = record->graphic;
    HWND window = static_cast<HWND>(record->handle);
    if (record->flags & FlagStretchedView) {
        InvalidateRect(window, nullptr, FALSE);
    } else {
        RECT changed{static_cast<LONG>(g.changedLeft), static_cast<LONG>(g.changedTop),
                     static_cast<LONG>(g.changedRight), static_cast<LONG>(g.changedBottom)};
        InvalidateRect(window, &changed, FALSE);
    }
    ChangedEmpty(g);
    // Cleared before the repaint, so that a change a callback makes during
    // it stays pending.
    record->flags &= ~FlagChangePending;
    // The repaint reaches the dialog's callback with WM_DRAWITEM, which may
    // draw (and take this lock) or end the dialog (and free the record).
    if (!GraphicUnlocked(record, [window] { UpdateWindow(window); })) return nullptr;
    return record;
}

void GraphicRedraw() {
    GraphicEntry entry;
    if (!entry) return;
    ObjectRecord* record = entry.record();
    ChangedEmpty(record->graphic);
    record->flags &= ~FlagChangePending;
    if (record->kind != KindGraphicControl) return;  // a bitmap has no window
    HWND window = static_cast<HWND>(record->handle);
    InvalidateRect(window, nullptr, FALSE);
    entry.Leave();  // the repaint runs callbacks, which may use the layer
    UpdateWindow(window);
}

void GraphicControlResize(ObjectRecord* record, int width, int height) {
    GraphicEntry entry(record);
    GraphicState& g = record->graphic;
    HWND window = static_cast<HWND>(record->handle);
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (record->flags & FlagDialogUnits) {
        RECT size{0, 0, width, height};
        DialogUnitsToPixels(window, &size);
        width = size.right;
        height = size.bottom;
    }
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int borderX = (outer.right - outer.left) - client.right;
    int borderY = (outer.bottom - outer.top) - client.bottom;
    // A border wider than the request still leaves a 1-pixel client area.
    int newWidth = std::max(width - borderX, 1);
    int newHeight = std::max(height - borderY, 1);
    g.clientWidth = g.viewWidth = newWidth;
    g.clientHeight = g.viewHeight = newHeight;

    if (g.canvasDC && !(record->flags & FlagStretchedView)) {
        ScopedMemoryDC scratch(CreateCompatibleDC(nullptr));
        ScopedBitmap fresh(scratch ? CreateCompatibleBitmap(g.canvasDC, newWidth, newHeight) : nullptr);
        ScopedSelection drawing(scratch.get(), fresh.get());
        // The old canvas stays when a new one cannot be made.
        if (drawing) {
            int keepWidth =
                static_cast<int>(std::min(static_cast<UINT>(newWidth), static_cast<UINT>(g.canvasWidth)));
            int keepHeight =
                static_cast<int>(std::min(static_cast<UINT>(newHeight), static_cast<UINT>(g.canvasHeight)));
            // Background wherever the old canvas does not land: the same
            // pixels as filling it all first, without touching them twice.
            RECT right{keepWidth, 0, newWidth, newHeight};
            RECT below{0, keepHeight, keepWidth, newHeight};
            FillRect(scratch.get(), &right, g.backgroundBrush);
            FillRect(scratch.get(), &below, g.backgroundBrush);
            BitBlt(scratch.get(), 0, 0, keepWidth, keepHeight, g.canvasDC, 0, 0, SRCCOPY);
            drawing.restore();
            // Refused by the canvas DC, the new bitmap goes and the canvas
            // keeps the size it really has.
            ScopedSelection shown(g.canvasDC, fresh.get());
            if (shown) {
                ScopedBitmap old(static_cast<HBITMAP>(shown.keep()));
                fresh.release();
                g.canvasWidth = g.referenceWidth = newWidth;
                g.canvasHeight = g.referenceHeight = newHeight;
            }
        }
    }
    // SetWindowPos sends messages to the control's procedures and the dialog.
    bool alive = GraphicUnlocked(record, [&] {
        SetWindowPos(window, nullptr, 0, 0, newWidth + borderX, newHeight + borderY, SWP_NOMOVE | SWP_NOZORDER);
    });
    if (!alive) return;
    GraphicMarkChanged(record, 0, 0, g.canvasWidth, g.canvasHeight);
}
