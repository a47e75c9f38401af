// The font table: numbered font descriptions shared by dialogs and canvases.
#include "records.h"
#include "scoped_gdi.h"
#include "spin_lock.h"

#include <cwchar>

namespace {

FontEntry* first = nullptr;
volatile LONG tableLock = 0;

FontEntry* EntryMake(int number, const wchar_t* face, float points, BYTE pitch) {
    auto* entry = static_cast<FontEntry*>(GlobalAlloc(GPTR, sizeof(FontEntry)));
    if (!entry) return nullptr;
    entry->useCount = 1;
    entry->number = number;
    entry->pointSize = points;
    entry->logFont.lfWeight = FW_NORMAL;
    entry->logFont.lfCharSet = ANSI_CHARSET;
    entry->logFont.lfPitchAndFamily = pitch;
    wcsncpy(entry->logFont.lfFaceName, face, LF_FACESIZE - 1);
    return entry;
}

}  // namespace

void FontTableBuild() {
    if (first) return;
    FontEntry* e1 = EntryMake(1, L"MS Sans Serif", 8.0f, 0);
    FontEntry* e2 = EntryMake(2, L"Lucida Console", 0.0f, FIXED_PITCH);
    FontEntry* e3 = EntryMake(3, L"Lucida Console", 11.0f, FIXED_PITCH);
    if (e1) e1->next = e2 ? e2 : e3;
    if (e2) e2->next = e3;
    SpinGuard guard(tableLock);
    first = e1 ? e1 : (e2 ? e2 : e3);
}

FontEntry* FontTableFind(int number) {
    SpinGuard guard(tableLock);
    for (FontEntry* e = first; e; e = e->next) {
        if (e->number == number) return e;
    }
    return nullptr;
}

void FontSelectDefault(HDC dc, ObjectRecord* record) {
    FontEntry* entry = FontTableFind(1);
    if (!entry) return;
    if (!entry->font) {
        entry->logFont.lfHeight = -(GetDeviceCaps(dc, LOGPIXELSY) * static_cast<int>(entry->pointSize) / 72);
        entry->font = CreateFontIndirectW(&entry->logFont);
        if (!entry->font) return;
    }
    ScopedSelection selected(dc, entry->font);
    if (!selected) {
        if (entry->useCount == 0) {
            DeleteObject(entry->font);
            entry->font = nullptr;
        }
        return;
    }
    ++entry->useCount;
    record->graphic.fontNumber = 1;
    // Selected back when the record's canvas goes.
    record->graphic.previousFont = static_cast<HFONT>(selected.keep());
    TEXTMETRICW metrics;
    if (GetTextMetricsW(dc, &metrics)) {
        record->graphic.charWidth = metrics.tmAveCharWidth;
        record->graphic.charHeight = metrics.tmHeight;
        record->graphic.externalLeading = metrics.tmExternalLeading;
    }
}

void FontReleaseUse(ObjectRecord* record) {
    int number = record->graphic.fontNumber;
    record->graphic.fontNumber = 0;
    if (!number) return;
    if (FontEntry* entry = FontTableFind(number)) --entry->useCount;
}
