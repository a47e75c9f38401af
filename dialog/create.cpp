// DialogNew: the final style, the in-memory template and pixel placement.
#include "dialog.h"

#include <cstring>

DWORD DialogFinalStyle(DWORD style, int x, int y, HWND owner) {
    // The default: a captioned popup with a modal frame (0x80C000D4).
    constexpr DWORD DefaultStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
    static_assert(DefaultStyle == 0x80C000D4);
    if (style == 0) style = DefaultStyle;
    style |= DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
    style &= ~static_cast<DWORD>(WS_VISIBLE | DS_SYSMODAL);  // always created hidden
    if (x == DialogPositionDefault || y == DialogPositionDefault) style |= DS_CENTER;
    if (style & WS_CHILD) {
        style &= ~static_cast<DWORD>(WS_POPUP | DS_ABSALIGN);
        if (!owner) style = (style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP;
    }
    return style;
}

namespace {

// The signature word that makes a template an extended one (DLGTEMPLATEEX).
constexpr WORD ExtendedTemplateSignature = 0xFFFF;

class TemplateWriter {
public:
    TemplateWriter(BYTE* buffer, size_t size) : buffer_(buffer), size_(size) {}
    void Bytes(const void* data, size_t n) {
        if (used_ + n > size_) {
            overflow_ = true;
            return;
        }
        std::memcpy(buffer_ + used_, data, n);
        used_ += n;
    }
    void Word(WORD v) { Bytes(&v, 2); }
    void Dword(DWORD v) { Bytes(&v, 4); }
    void Byte(BYTE v) { Bytes(&v, 1); }
    void Text(const wchar_t* text) { Bytes(text, (wcslen(text) + 1) * sizeof(wchar_t)); }
    size_t used() const { return overflow_ ? 0 : used_; }

private:
    BYTE* buffer_;
    size_t size_;
    size_t used_ = 0;
    bool overflow_ = false;
};

}  // namespace

size_t DialogTemplateBuild(BYTE* buffer, size_t size, DWORD style, DWORD exStyle, int x, int y, int width,
                           int height, const FontEntry* font) {
    TemplateWriter t(buffer, size);
    t.Word(1);                          // dlgVer
    t.Word(ExtendedTemplateSignature);  // signature
    t.Dword(0);                         // helpID
    t.Dword(exStyle);
    t.Dword(style);
    t.Word(0);  // cDlgItems: controls are added one window at a time
    t.Word(static_cast<WORD>(x));
    t.Word(static_cast<WORD>(y));
    t.Word(static_cast<WORD>(width));
    t.Word(static_cast<WORD>(height));
    t.Word(0);     // no menu
    t.Word(0);     // the system's dialog class
    t.Text(L" ");  // placeholder; the caption is set after creation
    t.Word(static_cast<WORD>(RoundHalfEven(font ? font->pointSize : 8.0f)));
    t.Word(static_cast<WORD>(font ? font->logFont.lfWeight : FW_NORMAL));
    t.Byte(font && font->logFont.lfItalic ? 1 : 0);
    t.Byte(font ? font->logFont.lfCharSet : ANSI_CHARSET);
    t.Text(font ? font->logFont.lfFaceName : L"MS Sans Serif");
    return t.used();
}

int DialogCentre(LONG low, LONG high, int outer) {
    LONG sum = low + high;
    return sum < outer ? 0 : static_cast<int>((sum - outer) / 2);
}

namespace {

void DialogPlace(HWND dialog, HWND owner, DWORD style, int x, int y, int width, int height) {
    RECT window{}, client{};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    int outerWidth = width + (window.right - window.left) - client.right;
    int outerHeight = height + (window.bottom - window.top) - client.bottom;
    if (style & DS_CENTER) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        x = DialogCentre(work.left, work.right, outerWidth);
        y = DialogCentre(work.top, work.bottom, outerHeight);
    } else if (!(style & (WS_CHILD | DS_ABSALIGN))) {
        if (owner) {
            POINT origin{0, 0};
            ClientToScreen(owner, &origin);
            x += origin.x;
            y += origin.y;
        }
    } else if (!((style & WS_CHILD) && (style & DS_CONTROL))) {
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }
    // Moved and sized while hidden, without activation, redraw or the
    // WM_WINDOWPOSCHANGING round (0x71C).
    constexpr UINT Placing =
        SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
    static_assert(Placing == 0x71C);
    SetWindowPos(dialog, nullptr, x, y, outerWidth, outerHeight, Placing);
}

INT_PTR CALLBACK DialogProcNone(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

int ShowCommandOf(DWORD style) {
    if (style & WS_MAXIMIZE) return SW_MAXIMIZE;
    if (style & WS_MINIMIZE) return SW_MINIMIZE;
    return SW_SHOW;
}

}  // namespace

HWND DialogNew(UINT unitMode, HWND owner, const std::wstring& title, int x, int y, int width, int height,
               DWORD style, DWORD exStyle) {
    DWORD finalStyle = DialogFinalStyle(style, x, y, owner);
    ThreadRecord* thread = ThreadRecordGet();
    FontEntry* font = FontTableFind(thread ? thread->dialogFontNumber : 1);

    alignas(4) BYTE buffer[DialogTemplateSize] = {};
    if (!DialogTemplateBuild(buffer, sizeof(buffer), finalStyle, exStyle, x, y, width, height, font)) return nullptr;
    HWND dialog = CreateDialogIndirectParamW(ProgramInstance(), reinterpret_cast<LPCDLGTEMPLATEW>(buffer), owner,
                                             DialogDispatch, 0);
    if (!dialog) return nullptr;

    bool pixels = unitMode & UnitPixels;
    if (pixels) DialogPlace(dialog, owner, finalStyle, x, y, width, height);
    SetWindowTextW(dialog, title.c_str());

    ObjectRecord* record =
        ObjectRecordAdd(dialog, owner, KindDialog, FlagDialog | (pixels ? FlagPixels : FlagDialogUnits));
    if (!record) {
        // Nothing could reach an unregistered dialog: do not leave it behind.
        // Its WM_NCDESTROY must not reach DialogDispatch, which would release
        // the record that holds this handle already and is not ours.
        SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DialogProcNone));
        DestroyWindow(dialog);
        return nullptr;
    }
    record->windowStyle = finalStyle;
    record->showCommand = ShowCommandOf(finalStyle);
    record->dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    return dialog;
}
