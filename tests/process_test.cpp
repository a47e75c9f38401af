// Process services: command tail, texts, file tests, message boxes, the
// error register and the floating-point rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "process/process.h"
#include "support/support.h"

namespace {
thread_local bool failAllocations = false;

// While alive, every allocation of this thread fails.
struct FailingAllocations {
    FailingAllocations() { failAllocations = true; }
    ~FailingAllocations() { failAllocations = false; }
};
}  // namespace

// Replaced for this test program only, so that the out-of-memory paths run.
void* operator new(std::size_t n) {
    if (failAllocations) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// Not inlined: GCC would take free() after operator new for a mismatch.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::wstring Tail(const wchar_t* line) { return std::wstring(line + CommandTailOffset(line)); }

// Runs with the calling thread's conversion code page set to `cp`.
class CodePage {
public:
    explicit CodePage(UINT cp) : saved_(ThreadRecordGet()->codePage) { ThreadRecordGet()->codePage = cp; }
    ~CodePage() { ThreadRecordGet()->codePage = saved_; }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

private:
    UINT saved_;
};

DWORD WINAPI OtherThread(void* out) {
    *static_cast<UINT*>(out) = ThreadRecordGet()->codePage + 1;
    ThreadRecordGet()->codePage = 1252;
    return 0;
}

}  // namespace

TEST(CommandTail, Rules) {
    EXPECT_EQ(Tail(L"viewer.exe   x.png  "), L"x.png  ");
    EXPECT_EQ(Tail(L"\"C:\\My Apps\\viewer.exe\"x.png"), L"x.png");
    EXPECT_EQ(Tail(L"\"C:\\My Apps\\viewer.exe\"   x.png"), L"x.png");
    EXPECT_EQ(Tail(L"viewer.exe \"C:\\a b\\x.png\""), L"\"C:\\a b\\x.png\"");
    EXPECT_EQ(Tail(L"viewer.exe\tx.png"), L"\tx.png");
    EXPECT_EQ(Tail(L"viewer.exe\x01x"), L"\x01x");
    EXPECT_EQ(Tail(L"viewer.exe"), L"");
    EXPECT_EQ(Tail(L"viewer.exe    "), L"");
    EXPECT_EQ(Tail(L"viewer.exe a.png b.png"), L"a.png b.png");
    EXPECT_EQ(Tail(L"\"viewer.exe x.png"), L"");  // no closing quote
    EXPECT_EQ(Tail(L"   x.png"), L"x.png");       // empty program name
    EXPECT_EQ(Tail(L""), L"");
    EXPECT_EQ(Tail(L"vi\"ew er\".exe y"), L"er\".exe y");  // quotes inside the name are plain units
}

TEST(CommandTail, ThisProcess) {
    // Every call gives the same text, and the test runner has no argument.
    EXPECT_EQ(CommandTail(), CommandTail());
    std::wstring line = GetCommandLineW();
    EXPECT_EQ(CommandTail(), line.substr(CommandTailOffset(line.c_str())));
}

TEST(RemoveChars, Cases) {
    EXPECT_EQ(RemoveChars(L"\"C:\\a b\\x.png\"", L"\""), L"C:\\a b\\x.png");
    EXPECT_EQ(RemoveChars(L"\"\"\"", L"\""), L"");
    EXPECT_EQ(RemoveChars(L"a\"b\"c", L"\""), L"abc");
    EXPECT_EQ(RemoveChars(L"aaa", L"aa"), L"a");        // occurrences do not overlap
    EXPECT_EQ(RemoveChars(L"xAbxab", L"ab"), L"xAbx");  // case matters
    EXPECT_EQ(RemoveChars(L"ab", L"abc"), L"ab");
    EXPECT_EQ(RemoveChars(L"ab", L""), L"ab");
    EXPECT_EQ(RemoveChars(L"", L"\""), L"");
}

TEST(RemoveChars, OutOfMemoryGivesEmptyTextAndError7OnEveryPath) {
    const std::wstring text = L"\"C:\\pics\\a long name.png\"";  // past the short-string buffer
    const std::wstring longer = text + L"!";
    const std::string narrowText = "C:\\pics\\a long name.png";
    std::wstring removed = L"x", unchanged = L"x", shorter = L"x", wide = L"x";
    std::string narrow = "x";
    int errors[3] = {};
    ErrorScope scope;
    {
        FailingAllocations noMemory;
        removed = RemoveChars(text, L"\"");
        errors[0] = ErrorCode();
        unchanged = RemoveChars(text, L"");  // returned unchanged, but still a copy
        errors[1] = ErrorCode();
        shorter = RemoveChars(text, longer);
        errors[2] = ErrorCode();
        wide = TextToWide(narrowText);
        narrow = TextToNarrow(text);
    }
    EXPECT_EQ(removed, L"");
    EXPECT_EQ(unchanged, L"");
    EXPECT_EQ(shorter, L"");
    for (int e : errors) EXPECT_EQ(e, ErrorNoMemory);
    EXPECT_EQ(wide, L"");  // the conversions give an empty text and no error
    EXPECT_EQ(narrow, "");
    EXPECT_EQ(ErrorCode(), 0);
}

TEST(TextConversion, WesternCodePage) {
    CodePage cp(1252);
    EXPECT_EQ(TextToNarrow(L"caf\u00e9"), std::string("caf\xe9"));
    EXPECT_EQ(TextToWide(std::string("caf\xe9")), L"caf\u00e9");
    EXPECT_EQ(TextToWide(TextToNarrow(L"C:\\pics\\cat.jpg")), L"C:\\pics\\cat.jpg");
    // A character the code page lacks is replaced and lost for good.
    std::string lost = TextToNarrow(L"\u041a\u043e\u0442");
    EXPECT_EQ(lost.size(), 3u);
    EXPECT_NE(TextToWide(lost), L"\u041a\u043e\u0442");
    EXPECT_EQ(TextToNarrow(L""), "");
    EXPECT_EQ(TextToWide(""), L"");
    EXPECT_EQ(TextToNarrow(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));  // counted, not terminated
}

TEST(TextConversion, DoubleByteCodePage) {
    CodePage cp(932);
    // U+8868 is 0x95 0x5C in Shift-JIS: a trail byte that looks like a backslash.
    std::string narrow = TextToNarrow(L"\u8868.png");
    EXPECT_EQ(narrow, std::string("\x95\x5c.png"));
    EXPECT_EQ(TextToWide(narrow), L"\u8868.png");
    EXPECT_EQ(TextToNarrow(L"\u65e5\u672c").size(), 4u);
    EXPECT_EQ(Narrow(L"\u8868.png"), "\xE8\xA1\xA8.png");  // failures print UTF-8, whatever the code page
}

TEST(TextConversion, ThreadsKeepTheirOwnCodePage) {
    CodePage cp(932);
    UINT seen = 0;
    HANDLE t = CreateThread(nullptr, 0, OtherThread, &seen, 0, nullptr);
    WaitForSingleObject(t, 5000);
    CloseHandle(t);
    EXPECT_EQ(seen, 932u + 1);                     // copied from the main thread's settings
    EXPECT_EQ(ThreadRecordGet()->codePage, 932u);  // and not shared back
}

TEST(TextToFixedBuffer, CutsAndTerminates) {
    char buffer[260];
    memset(buffer, 'X', sizeof buffer);
    TextToFixedBuffer(buffer, sizeof buffer, std::string(300, 'a'));
    EXPECT_EQ(std::string(buffer), std::string(259, 'a'));
    EXPECT_EQ(buffer[259], '\0');

    memset(buffer, 'X', sizeof buffer);
    TextToFixedBuffer(buffer, sizeof buffer, "abc");
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'X');  // bytes after the terminator keep their contents

    TextToFixedBuffer(buffer, sizeof buffer, "");
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'b');

    memset(buffer, 'X', sizeof buffer);
    TextToFixedBuffer(buffer, sizeof buffer, std::string("ab\0cd", 5));
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(buffer[3], 'X');

    char small[4];
    TextToFixedBuffer(small, sizeof small, "\x95\x5c\x95\x5c");  // the cut is in bytes
    EXPECT_EQ(std::string(small), std::string("\x95\x5c\x95"));
}

class FileTests : public ::testing::Test {
protected:
    TempFolder folder;
};

// Each path: what IsFile answers, then what GetAttributes gives ("": the
// platform's business) and the error it leaves, which reading clears.
TEST_F(FileTests, Table) {
    std::wstring file = folder.File(L"a.png");
    ASSERT_TRUE(FileWriteBytes(file, "x"));
    const std::tuple<std::wstring, int, const char*, int> rows[] = {
        {L"", 0, "none", 53},
        {folder.File(L"*.png"), 0, "none", 64},  // matching files exist
        // So do ? and the wildcards FindFirstFileW knows from DOS: < > and ",
        // which GetAttributes passes on.
        {folder.File(L"a.pn?"), 0, "none", 64},
        {folder.File(L"<.png"), 0, "none", 53},
        {folder.File(L"a.pn>"), 0, "none", 53},
        {folder.File(L"a\"png"), 0, "none", 53},
        {folder.File(L"missing.png"), 0, "none", 53},
        {folder.path(), 0, "folder", 0},
        {L"C:", 0, "", 0},  // Windows knows the drive
        {file, -1, "file", 0},
    };
    ErrorScope scope;
    for (const auto& [path, isFile, attributes, error] : rows) {
        SCOPED_TRACE("rows: " + Narrow(path));
        EXPECT_EQ(IsFile(path), isFile);
        DWORD bits = GetAttributes(path);
        const char* kind = !bits ? "none" : bits & FILE_ATTRIBUTE_DIRECTORY ? "folder" : "file";
        EXPECT_STREQ(*attributes ? kind : "", attributes);
        EXPECT_EQ(ErrorCode(), error);
        EXPECT_EQ(ErrorCode(), 0);
    }
}

TEST_F(FileTests, AttributesLookAtTheFirst259Characters) {
    std::wstring base = folder.path() + L"\\";
    std::wstring file = base + std::wstring(259 - base.size(), L'n');
    ASSERT_TRUE(FileWriteBytes(file, "x"));
    ErrorScope scope;
    EXPECT_NE(GetAttributes(file), 0u);  // as long as the path buffer holds
    EXPECT_EQ(ErrorCode(), 0);
    std::wstring longer = file + L"xyz";   // 262 characters: no such file
    EXPECT_NE(GetAttributes(longer), 0u);  // cut silently at 259
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(IsFile(longer), 0);  // the whole path is asked for
    EXPECT_EQ(IsFile(file), -1);
    // A wildcard past the cut is not seen.
    EXPECT_NE(GetAttributes(file + L"*"), 0u);
    EXPECT_EQ(ErrorCode(), 0);
}

namespace {
int searchesOpen = 0, searchesClosed = 0;
void* findFirst = nullptr;
void* findClose = nullptr;
HANDLE WINAPI FindFirstCounted(const wchar_t* path, WIN32_FIND_DATAW* found) {
    HANDLE search = reinterpret_cast<decltype(&FindFirstFileW)>(findFirst)(path, found);
    searchesOpen += search != INVALID_HANDLE_VALUE;
    return search;
}
BOOL WINAPI FindCloseCounted(HANDLE search) {
    ++searchesClosed;
    return reinterpret_cast<decltype(&FindClose)>(findClose)(search);
}
}  // namespace

// Every search that IsFile opens is closed, whichever way it answers.
TEST_F(FileTests, EverySearchIsClosed) {
    std::wstring file = folder.File(L"a.png");
    ASSERT_TRUE(FileWriteBytes(file, "x"));
    ImportPatch first("kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(FindFirstCounted));
    ImportPatch close("kernel32.dll", "FindClose", reinterpret_cast<void*>(FindCloseCounted));
    ASSERT_TRUE(first.slot && close.slot);
    findFirst = first.original, findClose = close.original;
    for (int i = 0; i < 100; ++i) {
        for (const std::wstring& path : {file, folder.path(), folder.File(L"missing.png"), folder.File(L"a.pn?")})
            IsFile(path);
    }
    EXPECT_EQ(std::pair(searchesOpen, searchesClosed), std::pair(200, 200));  // the file and the folder
}

TEST(ErrorRegister, OverwriteReadAndClear) {
    ErrorScope scope;
    EXPECT_EQ(ErrorCode(), 0);
    ErrorRecord(5);
    ErrorRecord(64);
    EXPECT_EQ(ErrorCode(), 64);
    EXPECT_EQ(ErrorCode(), 0);
    ErrorRecord(0);
    EXPECT_EQ(ErrorCode(), 51);
}

TEST(ErrorRegister, UnreadErrorsDieWithTheirProcedure) {
    ErrorScope outer;
    ErrorRecord(7);
    {
        ErrorScope inner;
        EXPECT_EQ(ErrorCode(), 0);  // a new activation starts at 0
        ErrorRecord(53);
    }
    EXPECT_EQ(ErrorCode(), 7);  // the inner 53 was not passed up
    {
        ErrorScope inner;
        ErrorRecord(64);
    }
    EXPECT_EQ(ErrorCode(), 0);
}

TEST(ErrorRegisterDeathTest, FatalNumbersEndTheProcessWith255) {
    for (int n : {241, 250, 255}) {
        EXPECT_EXIT(
            {
                ErrorScope scope;
                ErrorRecord(n);
                ExitProcess(7);  // not reached
            },
            ::testing::ExitedWithCode(255), "")
            << n;
    }
    EXPECT_EXIT(
        {
            ErrorRecord(240);
            ExitProcess(7);
        },
        ::testing::ExitedWithCode(7), "");
}

TEST(MessageBoxes, TitlesTextsNoOwnerAndTheCallersFloatingPointState) {
    MessageBoxCatcher catcher;
    unsigned saved = FpuControlWord();
    FpuControlWordSet(0x0E7F);  // round toward zero, single precision
    EXPECT_EQ(MessageBoxShow(L"hello", L"", 0x12000), IDOK);
    EXPECT_EQ(FpuControlWord() & 0x1F3F, 0x0E7Fu & 0x1F3F);
    FpuControlWordSet(saved);
    EXPECT_EQ(MessageBoxShow(L"error inicializando GDI+ ...", L"Programador", 0), IDOK);
    EXPECT_EQ(MessageBoxShow(L"", L"", 0), IDOK);
    using Box = std::tuple<std::wstring, std::wstring, DWORD, bool>;  // title, text, style, owner
    std::vector<Box> seen;
    for (const BoxSeen& b : catcher.boxes()) seen.emplace_back(b.caption, b.text, b.style, b.hadOwner);
    EXPECT_EQ(seen, (std::vector<Box>{{DefaultBoxTitle, L"hello", 0x12000u & MessageBoxStyleReadable, false},
                                      {L"Programador", L"error inicializando GDI+ ...", 0, false},
                                      {DefaultBoxTitle, L"", 0, false}}));
}

TEST(FloatingPoint, ProgramModeAndRounding) {
    FpuModeSet();
    EXPECT_EQ(FpuControlWord() & 0x1F3F, 0x133Fu);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(-3.5L), -4);
    EXPECT_EQ(RoundHalfEven(0.49999L), 0);
    EXPECT_EQ(RoundHalfEven(239.5L), 240);
    EXPECT_EQ(RoundHalfEven(240.5L), 240);
    EXPECT_EQ(RoundHalfEven(1e30L) > 0, true);  // saturates instead of overflowing
}

namespace {
FARPROC WINAPI NoSuchProcedure(HMODULE, LPCSTR) { return nullptr; }
BOOL WINAPI CounterAt2To62(LARGE_INTEGER* count) {
    count->QuadPart = 1LL << 62;
    return TRUE;
}
BOOL WINAPI ThreeGigahertz(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 3000000000LL;
    return TRUE;
}
}  // namespace

// The runtime's GetTickCount64 is kernel32's where it has one; where it has
// none (Windows XP), the performance counter's milliseconds.
TEST(TickCount, KernelsOwnElseTheCounter) {
    FARPROC own = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    void* expected = own ? reinterpret_cast<void*>(own) : reinterpret_cast<void*>(&TickCountFromCounter);
    EXPECT_EQ(reinterpret_cast<void*>(TickCountSource()), expected);
    ImportPatch refused("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&NoSuchProcedure));
    ASSERT_TRUE(refused.slot);
    EXPECT_EQ(TickCountSource(), &TickCountFromCounter);
}

TEST(TickCount, CounterPastTwoToThe62DoesNotOverflow) {
    ImportPatch counter("kernel32.dll", "QueryPerformanceCounter", reinterpret_cast<void*>(&CounterAt2To62));
    ImportPatch frequency("kernel32.dll", "QueryPerformanceFrequency", reinterpret_cast<void*>(&ThreeGigahertz));
    ASSERT_TRUE(counter.slot && frequency.slot);
    EXPECT_EQ(TickCountFromCounter(), (1ULL << 62) / 3000000);  // 2^62 x 1000 / 3e9, rounded down
}
