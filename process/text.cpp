// The command tail and the conversions between wide and narrow text.
#include "process.h"

#include <new>

namespace {
const wchar_t* tailStart = nullptr;

UINT ConversionCodePage() {
    ThreadRecord* record = ThreadRecordGet();
    return record ? record->codePage : CP_ACP;
}
}  // namespace

size_t CommandTailOffset(const wchar_t* line) {
    if (!line || !line[0]) return 0;
    size_t i = 0;
    if (line[0] == L'"') {
        i = 1;
        while (line[i] && line[i] != L'"') ++i;
        if (!line[i]) return i;  // no closing quote: empty tail
        ++i;
    } else if (line[0] != L' ') {
        i = 1;
        while (line[i] > L' ') ++i;
        // Anything below a blank (end, tab, control) starts the tail itself.
        if (line[i] != L' ') return i;
    }
    while (line[i] == L' ') ++i;
    return i;
}

std::wstring CommandTail() {
    if (!tailStart) {
        const wchar_t* line = GetCommandLineW();
        if (!line) return {};
        tailStart = line + CommandTailOffset(line);
    }
    try {
        return std::wstring(tailStart);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::wstring RemoveChars(const std::wstring& text, const std::wstring& pattern) {
    try {
        // Even the unchanged text is a copy, which can run out of memory.
        if (text.empty() || pattern.empty() || pattern.size() > text.size()) return text;
        std::wstring result;
        result.reserve(text.size());
        size_t i = 0;
        while (i < text.size()) {
            if (text.compare(i, pattern.size(), pattern) == 0) {
                i += pattern.size();
            } else {
                result.push_back(text[i++]);
            }
        }
        return result;
    } catch (const std::bad_alloc&) {
        ErrorRecord(ErrorNoMemory);
        return {};
    }
}

std::string TextToNarrow(const std::wstring& text) {
    if (text.empty()) return {};
    UINT cp = ConversionCodePage();
    int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    try {
        std::string result(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), result.data(), n, nullptr, nullptr);
        return result;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::wstring TextToWide(const std::string& text) {
    if (text.empty()) return {};
    UINT cp = ConversionCodePage();
    int n = MultiByteToWideChar(cp, MB_PRECOMPOSED, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    try {
        std::wstring result(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(cp, MB_PRECOMPOSED, text.data(), static_cast<int>(text.size()), result.data(), n);
        return result;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

void TextToFixedBuffer(char* buffer, size_t size, const std::string& text) {
    if (!buffer || size == 0) return;
    size_t limit = size - 1;
    size_t n = 0;
    while (n < limit && n < text.size()) {
        buffer[n] = text[n];
        if (text[n++] == '\0') return;  // the text's own zero ends it
    }
    buffer[n] = '\0';
}
