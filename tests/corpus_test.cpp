// The real viewer on a corpus of good, odd and hostile files: it shows the
// picture at its size, or its box and then the window, or ends silently;
// it never crashes or hangs, and always exits with 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "driver/driver.h"
#include "process/process.h"
#include "support/support.h"

namespace {

struct Outcome {
    std::vector<std::wstring> boxes;
    bool window = false;
    LONG controlWidth = -1, controlHeight = -1;
    bool hung = false;
    DWORD startError = 0;  // why it could not be started, if it could not
    DWORD exitCode = 0xDEAD;
    std::string Kind() const {
        if (hung) return "hung";
        if (!window) return boxes.empty() ? "silent" : "box without window";
        return boxes.empty() ? "window" : "box then window";
    }
};

std::map<std::string, int> tally;

// Runs the viewer on a command tail, answering every box and clicking the
// window, until it ends or the time runs out.
Outcome Observe(const std::wstring& tail, DWORD timeoutMs = 20000) {
    Outcome o;
    Launched p;
    if (!p.Start(tail)) {
        o.startError = GetLastError();
        o.hung = true;
        return o;
    }
    HWND clicked = nullptr;
    auto box = [&](const BoxSeen& seen) {
        // No box of the loader has a title of its own.
        EXPECT_EQ(seen.caption, DefaultBoxTitle) << Narrow(seen.text);
        o.boxes.push_back(seen.text);
    };
    auto window = [&](HWND w) {
        if (w == clicked) return false;
        o.window = true;
        HWND control = GetDlgItem(w, IDC_GRAPHIC);
        RECT r{};
        GetClientRect(control, &r);
        o.controlWidth = r.right;
        o.controlHeight = r.bottom;
        // Post the click: a real one could land on a box in front.
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        clicked = w;
        return false;
    };
    o.hung = !DriverAnswerBoxes(p, timeoutMs, box, window);
    p.WaitExit(0, &o.exitCode);
    ++tally[o.Kind()];
    return o;
}

// The verdict for a picture file: what GDI+ itself makes of it decides
// which outcome is the right one.
void CheckPictureFile(const std::wstring& path) {
    SCOPED_TRACE(Narrow(path));
    UINT w = 0, h = 0;
    bool decodes = PictureDimensions(path, &w, &h);
    FpuModeSet();
    Outcome o = Observe(L" \"" + path + L"\"");
    ASSERT_FALSE(o.hung) << (o.startError ? "the viewer did not start: error " + std::to_string(o.startError)
                                          : std::string("the viewer hung"));
    EXPECT_EQ(o.exitCode, 0u);
    EXPECT_TRUE(o.window) << o.Kind();
    if (!decodes) {
        ASSERT_EQ(o.boxes.size(), 1u);
        EXPECT_EQ(o.boxes[0], ReadErrorText(path));
    } else if (w > 0 && h > 0 && static_cast<unsigned long long>(w) * h <= 16000000ull) {
        EXPECT_TRUE(o.boxes.empty()) << Narrow(o.boxes.empty() ? L"" : o.boxes[0]);
        EXPECT_EQ(o.controlWidth, static_cast<LONG>(w));
        EXPECT_EQ(o.controlHeight, static_cast<LONG>(h));
    } else {
        // Readable but degenerate or huge: at most one box, of the known kinds.
        ASSERT_LE(o.boxes.size(), 1u);
        if (!o.boxes.empty()) {
            EXPECT_TRUE(o.boxes[0].rfind(ReadErrorPrefix, 0) == 0 || o.boxes[0].rfind(TooLargePrefix, 0) == 0)
                << Narrow(o.boxes[0]);
        }
    }
}

// A PNG whose header claims the given size, with a tiny image stream.
std::string PngClaiming(uint32_t w, uint32_t h) {
    std::string ihdr = BytesBig32(w) + BytesBig32(h) + std::string("\x08\x02\x00\x00\x00", 5);
    std::string idat("\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x01", 10);
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
           PngChunk("IEND", "");
}

// A 24-bit BMP whose header claims the given size, with 64 bytes of pixels.
std::string BmpClaiming(int32_t w, int32_t h) {
    return BmpHeaders(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 24) + std::string(64, '\x7f');
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(DriverViewerExe().empty()) << "VISTORA_EXE is not set"; }
    static void TearDownTestSuite() {
        printf("[ corpus   ] outcomes:");
        for (const auto& [kind, n] : tally) printf(" %s %d;", kind.c_str(), n);
        printf("\n");
    }
    TempFolder folder;
};

}  // namespace

TEST_F(Corpus, PngSuite) {
    std::wstring root = DriverEnvPath("VISTORA_PNGSUITE");
    if (root.empty() || GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "the PngSuite corpus is not here";
    }
    int files = 0;
    for (const wchar_t* sub : {L"\\png\\", L"\\bmp\\"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((root + sub + L"*.*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            CheckPictureFile(root + sub + found.cFileName);
            ++files;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    printf("[ corpus   ] %d PngSuite files\n", files);
    EXPECT_GT(files, 100);
}

TEST_F(Corpus, HostileFiles) {
    std::vector<std::wstring> made;
    auto make = [&](const std::wstring& name, const std::string& bytes) {
        std::wstring path = folder.File(name);
        ASSERT_TRUE(FileWriteBytes(path, bytes));
        made.push_back(path);
    };
    make(L"empty.png", "");
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise.push_back(static_cast<char>((i * 7919 + i / 13) & 0xFF));
    make(L"noise.jpg", noise);
    make(L"noise.png", noise);
    make(L"huge.png", PngClaiming(100000, 100000));
    make(L"wide.png", PngClaiming(0x7FFFFFFF, 1));
    make(L"zero.bmp", BmpClaiming(0, 5));
    make(L"huge.bmp", BmpClaiming(100000, 100000));
    make(L"negative.bmp", BmpClaiming(-4, -4));
    make(L"noframes.gif", std::string("GIF89a\x04\x00\x04\x00\x00\x00\x00;", 14));
    // Every format, whole and cut at several points.
    const std::pair<const wchar_t*, PictureFormat> formats[] = {
        {L"png", PictureFormat::Png},  {L"bmp", PictureFormat::Bmp},  {L"gif", PictureFormat::Gif},
        {L"jpg", PictureFormat::Jpeg}, {L"tif", PictureFormat::Tiff},
    };
    for (auto [ext, format] : formats) {
        std::wstring whole = folder.File(std::wstring(L"whole.") + ext);
        auto few = [](int x, int y) -> uint32_t { return (x + y) % 3 ? 0xFF204080u : 0xFFC0A060u; };
        ASSERT_TRUE(PictureWrite(whole, 90, 60, format, few));
        made.push_back(whole);
        std::string bytes = FileReadBytes(whole);
        for (int percent : {1, 10, 50, 90, 99}) {
            make(L"cut" + std::to_wstring(percent) + L"." + ext, bytes.substr(0, bytes.size() * percent / 100));
        }
    }
    // A PNG named as a JPEG opens by its content.
    std::string png = FileReadBytes(folder.File(L"whole.png"));
    make(L"really-a-png.jpg", png);
    for (const auto& path : made) CheckPictureFile(path);
}

TEST_F(Corpus, OddPaths) {
    std::wstring picture = folder.File(L"p.png");
    ASSERT_TRUE(PictureWrite(picture, 40, 30, PictureFormat::Png, PatternColour));

    // Every path the path buffer holds is looked at whole: pictures at
    // paths of 255 and 259 characters open. A longer tail is cut to its
    // first 259 characters, which here name the 259-character picture.
    std::wstring dir = folder.File(std::wstring(120, L'd'));
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    auto pathOf = [&](size_t length) {
        return dir + L"\\" + std::wstring(length - dir.size() - 1 - 4, L'n') + L".png";
    };
    for (size_t length : {255u, 259u}) {
        ASSERT_EQ(pathOf(length).size(), length);
        ASSERT_TRUE(CopyFileW(picture.c_str(), pathOf(length).c_str(), FALSE));
    }
    Outcome o;
    for (const std::wstring& tail : {pathOf(255), pathOf(259), pathOf(259) + std::wstring(41, L'x')}) {
        o = Observe(L" " + tail);
        EXPECT_TRUE(o.window && o.boxes.empty() && o.controlWidth == 40 && o.exitCode == 0)
            << tail.size() << ": " << o.Kind();
    }

    // Devices and a bare drive: a box and the window, or silence; never a hang.
    for (std::wstring tail : {L"CON", L"NUL", L"C:", L"\\\\.\\NUL"}) {
        o = Observe(L" " + tail);
        EXPECT_FALSE(o.hung) << Narrow(tail);
        EXPECT_EQ(o.exitCode, 0u) << Narrow(tail);
        for (const auto& text : o.boxes) {
            EXPECT_TRUE(text.rfind(MissingFilePrefix, 0) == 0 || text.rfind(ReadErrorPrefix, 0) == 0)
                << Narrow(text);
        }
    }

    // A file another program holds open without sharing cannot be read.
    HANDLE lock = CreateFileW(picture.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    o = Observe(L" " + picture);
    CloseHandle(lock);
    EXPECT_FALSE(o.hung);
    EXPECT_EQ(o.exitCode, 0u);
    ASSERT_EQ(o.boxes.size(), 1u) << o.Kind();
    EXPECT_EQ(o.boxes[0], ReadErrorText(picture));
}
