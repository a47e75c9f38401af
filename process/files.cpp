// Message boxes and the two questions asked of Windows about a path.
#include "process.h"

#include <string_view>

#include "scoped_handle.h"

namespace {
// The volume-label attribute bit, which the Windows headers leave unnamed:
// a volume label is not a file either.
constexpr DWORD FileAttributeVolumeLabel = 0x08;
}  // namespace

int MessageBoxShow(const std::wstring& text, const std::wstring& title, UINT style) {
    const wchar_t* caption = title.empty() ? MessageBoxDefaultTitle : title.c_str();
    // The box's modal loop runs foreign code that may leave the FPU changed.
    unsigned saved = FpuControlWord();
    // A box comes 5 ms after it is asked for, as every box of the system
    // always has: the rest of the time slice is given up before a
    // task-modal box takes the foreground.
    Sleep(5);
    int result = MessageBoxW(nullptr, text.c_str(), caption, style);
    FpuControlWordSet(saved);
    return result;
}

int IsFile(const std::wstring& path) {
    if (path.empty()) return 0;
    // FindFirstFileW takes < > and " as wildcards too (DOS_STAR, DOS_QM,
    // DOS_DOT): the entry found would not be the one named.
    if (path.find_first_of(L"?*<>\"") != std::wstring::npos) return 0;
    if (path.back() == L':') return 0;
    WIN32_FIND_DATAW found;
    HANDLE first = FindFirstFileW(path.c_str(), &found);
    if (first == INVALID_HANDLE_VALUE) return 0;
    ScopedFind search(first);
    return (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FileAttributeVolumeLabel)) ? 0 : -1;
}

DWORD GetAttributes(const std::wstring& path) {
    // Cut where the viewer's path buffer cuts (MAX_PATH less the
    // terminator), so that every path the viewer can hold is looked at whole.
    wchar_t cut[MAX_PATH] = {};
    size_t n = path.copy(cut, MAX_PATH - 1);
    if (std::wstring_view(cut, n).find_first_of(L"?*") != std::wstring_view::npos) {
        ErrorRecord(ErrorWildcard);
        return 0;
    }
    DWORD bits = GetFileAttributesW(cut);
    if (bits == INVALID_FILE_ATTRIBUTES) {
        ErrorRecord(ErrorPathUnknown);
        return 0;
    }
    return bits;
}
