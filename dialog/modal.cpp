// The modal loop, DialogEnd and the dialog procedure of every dialog.
#include "dialog.h"

namespace {

// The low four bits of a system command are the system's own.
constexpr WPARAM SystemCommandMask = 0xFFF0;

WPARAM SizeKind(const ObjectRecord* record) {
    if (!record) return SIZE_RESTORED;
    if (record->showCommand == SW_MAXIMIZE) return SIZE_MAXIMIZED;
    if (record->showCommand == SW_MINIMIZE) return SIZE_MINIMIZED;
    return SIZE_RESTORED;
}

void ModalLoop(HWND dialog, HWND owner, DWORD style) {
    MSG msg;
    for (;;) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!(style & DS_NOIDLEMSG) && owner) {
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
            }
            // Also checked here, so that a dialog destroyed without a
            // message of its own (by another window) cannot hang the loop.
            if (!IsWindow(dialog)) return;
            Sleep(1);
            continue;
        }
        if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg) && IsWindow(dialog)) continue;
        // Not for the dialog manager, or the dialog went while it handled it.
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (!IsWindow(dialog)) return;
    }
}

// A handled result also becomes the dialog's message result, unless the
// callback has already set one itself.
INT_PTR Handled(HWND window, INT_PTR value) {
    if (GetWindowLongPtrW(window, DWLP_MSGRESULT) == 0) SetWindowLongPtrW(window, DWLP_MSGRESULT, value);
    return value;
}

INT_PTR ControlCallbackOffer(HWND dialog, HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    ObjectRecord* record = control ? ObjectRecordFind(control) : nullptr;
    DialogCallback callback = record ? record->callback : nullptr;
    return callback ? callback(dialog, message, wParam, lParam) : 0;
}

}  // namespace

void DialogShowModal(HWND dialog, DialogCallback callback, int* result) {
    SetForegroundWindow(dialog);
    if (callback) {
        callback(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
        RECT client{};
        bool exists = GetClientRect(dialog, &client);
        LPARAM size = exists ? MAKELPARAM(client.right, client.bottom) : 0;
        WPARAM kind = exists ? SizeKind(ObjectRecordFind(dialog)) : SIZE_RESTORED;
        callback(dialog, WM_SIZE, kind, size);
    }
    ObjectRecord* record = ObjectRecordFind(dialog);
    if (!record) return;  // ended while initialising, or not a dialog of the layer
    record->callback = callback;
    record->resultTarget = result;
    HWND owner = record->parent;
    DWORD style = record->windowStyle;
    if (owner) {
        SendMessageA(owner, WM_CANCELMODE, 0, 0);
        EnableWindow(owner, FALSE);
    }
    ShowWindow(dialog, record->showCommand);
    ModalLoop(dialog, owner, style);
    if (owner) SetFocus(owner);
}

void DialogEnd(HWND dialog, int result) {
    ObjectRecord* record = ObjectRecordFind(dialog);
    // Re-entered from its own WM_CLOSE or from the destruction: nothing more.
    if (!record || record->ending) return;
    record->ending = true;
    if (record->resultTarget) *record->resultTarget = result;
    HWND owner = record->parent;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    // The callback may have destroyed the window, and with it the record.
    if (owner) EnableWindow(owner, TRUE);
    if (IsWindow(dialog)) DestroyWindow(dialog);
}

INT_PTR CALLBACK DialogDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return FALSE;  // the callback gets its own from DialogShowModal
    case WM_ACTIVATE:
        if (LOWORD(wParam) <= WA_CLICKACTIVE) return 0;
        break;
    case WM_COMMAND:
        if (GetDlgItem(window, LOWORD(wParam))) {
            if (INT_PTR r = ControlCallbackOffer(window, reinterpret_cast<HWND>(lParam), message, wParam, lParam)) {
                return Handled(window, r);
            }
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (INT_PTR r = ControlCallbackOffer(window, reinterpret_cast<HWND>(lParam), message, wParam, lParam)) {
            return Handled(window, r);
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (INT_PTR r = ControlCallbackOffer(window, header ? header->hwndFrom : nullptr, message, wParam, lParam)) {
            return Handled(window, r);
        }
        ObjectRecord* record = ObjectRecordFind(window);
        DialogCallback callback = record ? record->callback : nullptr;
        INT_PTR r = callback ? callback(window, message, wParam, lParam) : 0;
        return r ? Handled(window, r) : 0;
    }
    default:
        break;
    }

    ObjectRecord* record = ObjectRecordFind(window);
    if (!record) {
        // Messages of CreateDialogIndirectParamW, before registration.
        return 0;
    }
    if (message == WM_NCDESTROY) {
        // Offered, but the records go whatever the callback answers: many
        // answer "handled" to everything, and the records hold a canvas, a
        // brush, a font use and a result target in a returned stack frame.
        if (DialogCallback callback = record->callback) callback(window, message, wParam, lParam);
        ObjectRecordRelease(window);
        // Not "handled": the system's own dialog data (the template font
        // among it) is freed only by its default processing.
        return FALSE;
    }
    if (DialogCallback callback = record->callback) {
        if (INT_PTR r = callback(window, message, wParam, lParam)) return Handled(window, r);
    }
    // The callback may have ended the dialog: work by handle from here on.
    switch (message) {
    case WM_DRAWITEM:
        return GraphicPaint(window, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SYSCOMMAND:
        if ((wParam & SystemCommandMask) != SC_CLOSE) return 0;
        if (!ObjectRecordFind(window)) return 0;
        DialogEnd(window, 0);
        return TRUE;
    default:
        return 0;
    }
}
