// The graphic control of a dialog, and the size and caption operations.
#include "dialog.h"

namespace {
// The graphic control's row of the control type table.
constexpr DWORD GraphicDefaultStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_OWNERDRAW;
constexpr DWORD GraphicStyleAdded = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;
static_assert(GraphicDefaultStyle == 0x5001000D && GraphicStyleAdded == 0x5000000D);
constexpr DWORD GraphicStyleRemoved = 0;
// A control measures as its dialog does: it takes over the dialog's unit
// bits.
constexpr DWORD FlagsUnitBits = 0xF;
}  // namespace

DWORD ControlFinalStyle(DWORD style) {
    if (style == 0) style = GraphicDefaultStyle;
    return (style | GraphicStyleAdded) & ~GraphicStyleRemoved;
}

void ControlAddGraphic(HWND dialog, int id, const std::wstring& text, int x, int y, int width, int height,
                       DWORD style, DWORD exStyle, DialogCallback callback) {
    ObjectRecord* owner = ObjectRecordFind(dialog);
    if (!owner || !(owner->flags & FlagDialog)) return;
    DWORD flags = (owner->flags & FlagsUnitBits) | FlagControl;
    if (flags & FlagDialogUnits) {
        RECT r{x, y, x + width, y + height};
        MapDialogRect(dialog, &r);
        x = r.left;
        y = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    DWORD finalStyle = ControlFinalStyle(style);
    HWND control = CreateWindowExW(exStyle, L"STATIC", text.c_str(), finalStyle, x, y, width, height, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
    if (!control) return;
    // Creation sent messages to the dialog: look its record up again.
    owner = ObjectRecordFind(dialog);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(owner ? owner->dialogFont : nullptr), 1);
    ObjectRecord* record = ObjectRecordAdd(control, dialog, KindGraphicControl, flags);
    if (!record) {
        // Without its record the control could never be reached or drawn.
        DestroyWindow(control);
        return;
    }
    record->callback = callback;
    record->windowStyle = finalStyle;
    record->windowExStyle = exStyle;
    GraphicControlInit(control, record);
}

HWND ControlHandle(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void ControlSetSize(HWND dialog, int id, int width, int height) {
    HWND target = id == DialogSelfId ? dialog : GetDlgItem(dialog, id);
    if (!target) return;
    ObjectRecord* record = ObjectRecordFind(target);
    if (record && (record->flags & FlagControl) && record->kind == KindGraphicControl) {
        GraphicControlResize(record, width, height);
        return;
    }
    if (record && (record->flags & FlagDialogUnits)) {
        RECT size{0, 0, width, height};
        DialogUnitsToPixels(target, &size);
        width = size.right;
        height = size.bottom;
    }
    SetWindowPos(target, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void DialogSetSize(HWND dialog, int width, int height) { ControlSetSize(dialog, DialogSelfId, width, height); }

void DialogSetText(HWND window, const std::wstring& text) { SetWindowTextW(window, text.c_str()); }
