// Image loading through GDI+, with real files made by the tests.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/viewer.h"
#include "support/support.h"

namespace {

void End(HBITMAP b) {
    GraphicAttach(b, 0, FALSE);
    GraphicBitmapEnd();
}

SIZE Fit(float iw, float ih, UINT w, UINT h, int stretch = 0) {
    LoaderFitSize(iw, ih, w, h, stretch);
    return {static_cast<LONG>(w), static_cast<LONG>(h)};
}

class Loader : public ::testing::Test {
protected:
    TempFolder folder;
};

const std::wstring MissingPrefix = L"[GraphicLoadImageFileToBitmap] called on <";

// Exactly one box was shown, with this text and the default title.
void ExpectOneBox(const MessageBoxCatcher& catcher, const std::wstring& text) {
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, text);
    EXPECT_EQ(catcher.boxes()[0].caption, L"Brightloom");
    EXPECT_EQ(catcher.boxes()[0].style, 0x12000u & MessageBoxStyleReadable);
}

}  // namespace

TEST(LoaderSizeRule, Proportions) {
    SIZE s = Fit(640, 480, 320, 320);
    EXPECT_EQ(s.cx, 320);
    EXPECT_EQ(s.cy, 240);
    s = Fit(480, 640, 320, 320);
    EXPECT_EQ(s.cx, 240);
    EXPECT_EQ(s.cy, 320);
    s = Fit(100, 50, 320, 320);  // smaller both ways: stretched, not enlarged in proportion
    EXPECT_EQ(s.cx, 320);
    EXPECT_EQ(s.cy, 320);
    s = Fit(640, 480, 0, 0);
    EXPECT_EQ(s.cx, 640);
    EXPECT_EQ(s.cy, 480);
    s = Fit(640, 480, 100, 100, 1);  // stretch fills the request
    EXPECT_EQ(s.cx, 100);
    EXPECT_EQ(s.cy, 100);
    s = Fit(4, 5, 2, 0);  // height 5 / 2 = 2.5: ties go to even
    EXPECT_EQ(s.cx, 2);
    EXPECT_EQ(s.cy, 2);
    s = Fit(4, 7, 2, 0);  // 3.5 goes up to 4
    EXPECT_EQ(s.cy, 4);
    s = Fit(300.5f, 200.5f, 0, 0);  // own size, rounded half to even
    EXPECT_EQ(s.cx, 300);
    EXPECT_EQ(s.cy, 200);
}

TEST_F(Loader, StretchWithoutBothSizesGivesNothingAndNoBox) {
    std::wstring picture = folder.File(L"a.png");
    ASSERT_TRUE(PictureWrite(picture, 10, 10, PictureFormat::Png, PatternColour));
    MessageBoxCatcher catcher;
    EXPECT_EQ(GraphicLoadImageFileToBitmap(picture, 0, 10, 0, 1), nullptr);
    EXPECT_EQ(GraphicLoadImageFileToBitmap(folder.File(L"none.png"), 0, 0, 10, 1), nullptr);
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(Loader, PictureOfEveryFormatEqualsItsPixels) {
    struct Case {
        const wchar_t* name;
        PictureFormat format;
    } cases[] = {{L"p.png", PictureFormat::Png},
                 {L"p.bmp", PictureFormat::Bmp},
                 {L"p.tif", PictureFormat::Tiff},
                 {L"p.gif", PictureFormat::Gif},
                 {L"p.jpg", PictureFormat::Jpeg}};
    auto few = [](int x, int y) -> uint32_t { return (x / 10 + y / 10) % 2 ? 0xFF3366CCu : 0xFFEEDD11u; };
    // JPEG is lossy: a smooth picture keeps its error small and measurable.
    auto smooth = [](int x, int y) -> uint32_t {
        return 0xFF000000u | static_cast<uint32_t>(x * 255 / 640) << 16 | static_cast<uint32_t>(y * 255 / 480) << 8 |
               0x80u;
    };
    auto colourOf = [&](PictureFormat f) -> std::function<uint32_t(int, int)> {
        if (f == PictureFormat::Jpeg) return smooth;
        if (f == PictureFormat::Gif) return few;
        return PatternColour;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.format));
        std::wstring picture = folder.File(c.name);
        bool jpeg = c.format == PictureFormat::Jpeg;
        auto colour = colourOf(c.format);
        ASSERT_TRUE(PictureWrite(picture, 640, 480, c.format, colour));
        HBITMAP b = LoadImageAsBitmap(picture);
        ASSERT_TRUE(b);
        EXPECT_EQ(ImageWidth, 640);
        EXPECT_EQ(ImageHeight, 480);
        EXPECT_EQ(GraphicCurrentTarget(), nullptr);
        Pixels p = CanvasPixels(b);
        ASSERT_EQ(p.size(), 640u * 480u);
        long long off = 0;
        int differ = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                uint32_t want = colour(x, y) & 0xFFFFFF;
                uint32_t got = p[static_cast<size_t>(y) * 640 + x];
                differ += got != want;
                for (int shift : {0, 8, 16})
                    off +=
                        std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF));
            }
        if (jpeg) {
            EXPECT_LT(off / (640 * 480 * 3), 4);
        } else {
            EXPECT_EQ(differ, 0);
        }
        End(b);
    }
}

TEST_F(Loader, TransparencyIsDrawnOverBlack) {
    std::wstring picture = folder.File(L"clear.png");
    // Left half fully transparent, right half opaque green.
    ASSERT_TRUE(PictureWrite(picture, 20, 10, PictureFormat::Png,
                             [](int x, int) -> uint32_t { return x < 10 ? 0x00FFFFFFu : 0xFF00FF00u; }));
    HBITMAP b = LoadImageAsBitmap(picture);
    ASSERT_TRUE(b);
    Pixels p = CanvasPixels(b);
    EXPECT_EQ(p[0], 0x000000u);
    EXPECT_EQ(p[9 * 20 + 9], 0x000000u);
    EXPECT_EQ(p[15], 0x00FF00u);
    End(b);
    // The background clear shows where the picture is transparent.
    b = GraphicLoadImageFileToBitmap(picture, 0xFF0000, 0, 0, 0);
    ASSERT_TRUE(b);
    p = CanvasPixels(b);
    EXPECT_EQ(p[0], 0x0000FFu);
    EXPECT_EQ(p[9 * 20 + 9], 0x0000FFu);
    EXPECT_EQ(p[15], 0x00FF00u);
    End(b);
}

TEST_F(Loader, ScaledRequestsGiveScaledBitmaps) {
    std::wstring picture = folder.File(L"wide.png");
    ASSERT_TRUE(PictureWrite(picture, 640, 480, PictureFormat::Png, PatternColour));
    HBITMAP b = GraphicLoadImageFileToBitmap(picture, 0, 320, 320, 0);
    ASSERT_TRUE(b);
    EXPECT_EQ(ObjectRecordFind(b)->graphic.canvasWidth, 320);
    EXPECT_EQ(ObjectRecordFind(b)->graphic.canvasHeight, 240);
    End(b);
}

TEST_F(Loader, FileExistsRules) {
    std::wstring picture = folder.File(L"there.png");
    ASSERT_TRUE(FileWriteBytes(picture, "x"));
    ErrorScope scope;
    EXPECT_EQ(FileExists(picture), -1);
    EXPECT_EQ(FileExists(folder.path()), -1);            // a directory exists
    EXPECT_EQ(FileExists(L"  " + picture + L"  "), -1);  // blanks trimmed for the test
    EXPECT_EQ(FileExists(L"\t" + picture), 0);           // only U+0020 is trimmed
    EXPECT_EQ(FileExists(folder.File(L"*.png")), 0);
    EXPECT_EQ(GetAttributes(folder.File(L"*.png")), 0u);
    EXPECT_EQ(ErrorCode(), 64);
    EXPECT_EQ(FileExists(folder.File(L"gone.png")), 0);
    EXPECT_EQ(GetAttributes(folder.File(L"gone.png")), 0u);
    EXPECT_EQ(ErrorCode(), 53);
    EXPECT_EQ(FileExists(L"   "), 0);
    // What FileExists recorded stayed in its own register.
    EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(Loader, MissingFileBoxForDirectoryWildcardAndBlank) {
    std::wstring picture = folder.File(L"there.png");
    ASSERT_TRUE(PictureWrite(picture, 10, 10, PictureFormat::Png, PatternColour));
    MessageBoxCatcher catcher;
    int records = ObjectRecordCount();
    const std::wstring paths[] = {folder.path(), folder.File(L"*.png"), L" " + picture, folder.File(L"gone.png")};
    for (const auto& path : paths) {
        EXPECT_EQ(GraphicLoadImageFileToBitmap(path, 0, 0, 0, 0), nullptr);
    }
    ASSERT_EQ(catcher.boxes().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(catcher.boxes()[i].text, MissingPrefix + paths[i] + L"> Missing file");
        EXPECT_EQ(catcher.boxes()[i].caption, L"Brightloom");
        EXPECT_EQ(catcher.boxes()[i].style, 0x12000u & MessageBoxStyleReadable);
        EXPECT_FALSE(catcher.boxes()[i].hadOwner);
    }
    EXPECT_EQ(ObjectRecordCount(), records);
}

TEST_F(Loader, NotAPictureGivesReadErrorAndLeavesNothing) {
    std::wstring file = folder.File(L"text.png");
    ASSERT_TRUE(FileWriteBytes(file, "plain text, not a picture"));
    {
        MessageBoxCatcher warmUp;  // GDI+ and the fonts have their first use here
        End(LoadImageAsBitmap(folder.File(L"absent.png")));
    }
    MessageBoxCatcher catcher;
    int records = ObjectRecordCount();
    int objects = GdiObjectsLive();
    EXPECT_EQ(GraphicLoadImageFileToBitmap(file, 0, 0, 0, 0), nullptr);
    ExpectOneBox(catcher, L"[GraphicLoadImageFileToBitmap] [GdipLoadImagefromFile] read error on <" + file + L">");
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}

TEST_F(Loader, FailedLoadStillGivesAnEmptyPicture) {
    MessageBoxCatcher catcher;
    ImageWidth = ImageHeight = 77;
    HBITMAP b = LoadImageAsBitmap(folder.File(L"absent.png"));
    EXPECT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(ImageWidth, 0);
    EXPECT_EQ(ImageHeight, 0);
    ASSERT_TRUE(b);  // whatever Windows makes for 0 x 0, recorded as 0 x 0
    EXPECT_EQ(ObjectRecordFind(b)->graphic.canvasWidth, 0);
    End(b);
    EXPECT_EQ(ObjectRecordFind(b), nullptr);
}

TEST_F(Loader, NamesOutsideTheAnsiCodePage) {
    for (const wchar_t* name : {L"\u041a\u043e\u0442.png", L"\u732b\u306e\u5199\u771f.png"}) {
        std::wstring picture = folder.File(name);
        ASSERT_TRUE(PictureWrite(picture, 30, 20, PictureFormat::Png, PatternColour));
        EXPECT_EQ(FileExists(picture), -1);
        HBITMAP b = LoadImageAsBitmap(picture);
        ASSERT_TRUE(b);
        EXPECT_EQ(ImageWidth, 30);
        EXPECT_EQ(CanvasPixels(b)[0], PatternColour(0, 0) & 0xFFFFFF);
        EXPECT_EQ(FileNameOfPath(picture), name);
        End(b);
    }
}

TEST(FileNameOfPath, OnlyTheBackslashSeparates) {
    EXPECT_EQ(FileNameOfPath(L"C:\\pics\\cat.jpg"), L"cat.jpg");
    EXPECT_EQ(FileNameOfPath(L"cat.jpg"), L"cat.jpg");
    EXPECT_EQ(FileNameOfPath(L"C:/pics/cat.jpg"), L"C:/pics/cat.jpg");
    EXPECT_EQ(FileNameOfPath(L"C:\\pics\\"), L"");
    EXPECT_EQ(FileNameOfPath(L""), L"");
    EXPECT_EQ(FileNameOfPath(L"C:\\\u8868\\x.png"), L"x.png");  // wide text: no trail-byte confusion
}

TEST_F(Loader, ReadablePictureTooLargeForABitmapSaysSo) {
    // A 1-bit BMP of 30000 x 20000: 75 MB on disk, far more as a device bitmap.
    const uint32_t w = 30000, h = 20000, stride = ((w + 31) / 32) * 4;
    std::string bmp = "BM";
    auto put32 = [&](uint32_t v) { bmp += BytesLittle32(v); };
    auto put16 = [&](uint16_t v) { bmp += BytesLittle16(v); };
    const uint32_t offset = 14 + 40 + 8;
    put32(offset + stride * h);
    put32(0);
    put32(offset);
    put32(40);
    put32(w);
    put32(h);
    put16(1);
    put16(1);
    for (int i = 0; i < 6; ++i) put32(0);
    put32(0x00000000);  // palette: black
    put32(0x00FFFFFF);  // and white
    bmp.resize(offset + static_cast<size_t>(stride) * h, '\x55');
    std::wstring picture = folder.File(L"vast.bmp");
    ASSERT_TRUE(FileWriteBytes(picture, bmp));
    bmp.clear();
    bmp.shrink_to_fit();
    UINT dw = 0, dh = 0;
    if (!PictureDimensions(picture, &dw, &dh)) GTEST_SKIP() << "GDI+ here cannot open so large a picture";
    FpuModeSet();
    MessageBoxCatcher catcher;
    int records = ObjectRecordCount();
    EXPECT_EQ(GraphicLoadImageFileToBitmap(picture, 0, 0, 0, 0), nullptr);
    ExpectOneBox(catcher,
                 L"[GraphicLoadImageFileToBitmap] picture too large to show (30000 x 20000) <" + picture + L">");
    EXPECT_EQ(ObjectRecordCount(), records);
}

TEST_F(Loader, ThousandLoadsLeaveNothing) {
    std::wstring picture = folder.File(L"leak.png");
    ASSERT_TRUE(PictureWrite(picture, 64, 48, PictureFormat::Png, PatternColour));
    End(LoadImageAsBitmap(picture));  // first use of GDI+ codecs and fonts
    int records = ObjectRecordCount();
    int objects = GdiObjectsLive();
    for (int i = 0; i < 1000; ++i) {
        HBITMAP b = LoadImageAsBitmap(picture);
        ASSERT_TRUE(b) << i;
        End(b);
    }
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}

TEST(ImagePath, HoldsAtMost259UnitsAndATerminator) {
    ImagePath[259] = L'#';
    ImagePathStore(std::wstring(300, L'a'));
    EXPECT_EQ(std::wstring(ImagePath), std::wstring(259, L'a'));
    ImagePathStore(L"C:\\\u732b.png");
    EXPECT_STREQ(ImagePath, L"C:\\\u732b.png");
    ImagePathStore(RemoveChars(L"\"C:\\a b\\x.png\"", L"\""));
    EXPECT_STREQ(ImagePath, L"C:\\a b\\x.png");
}

namespace {

// How one load ended under a squeezed GDI object table.
enum class Outcome { Shown, ReadError, TooLarge, Other };

Outcome BoxOutcome(const MessageBoxCatcher& catcher, const std::wstring& picture, int w, int h) {
    if (catcher.boxes().size() != 1) return catcher.boxes().empty() ? Outcome::Shown : Outcome::Other;
    const BoxSeen& box = catcher.boxes()[0];
    if (box.caption != L"Brightloom") return Outcome::Other;
    if (box.text == L"[GraphicLoadImageFileToBitmap] [GdipLoadImagefromFile] read error on <" + picture + L">")
        return Outcome::ReadError;
    if (box.text == L"[GraphicLoadImageFileToBitmap] picture too large to show (" + std::to_wstring(w) + L" x " +
                        std::to_wstring(h) + L") <" + picture + L">")
        return Outcome::TooLarge;
    return Outcome::Other;
}

constexpr int SqueezeSteps = 80;

}  // namespace

// Every object the way to the screen needs is made in turn with a GDI table
// that has room for 0, 1, 2, ... more: each step either shows the whole
// picture or says why not in one box, and leaves nothing behind. The main
// window meets full tables at more steps than the loader alone (its
// control's canvas), and says "too large" at each of them too.
TEST_F(Loader, ObjectsThatCannotBeMadeGiveOneBoxAndLeaveNothing) {
    // Wider than any platform's smallest captioned window, so that the
    // empty window's size tells itself apart from the picture's.
    const int w = 160, h = 48;
    std::wstring picture = folder.File(L"opaque.bmp");
    ASSERT_TRUE(PictureWrite(picture, w, h, PictureFormat::Bmp, PatternColour));
    int rw = 0, rh = 0;
    Pixels expected = PictureRendered(picture, &rw, &rh);
    // First use of codecs, fonts, boxes and shown windows, full and almost
    // empty, whose caches stay.
    std::wstring unreadable = folder.File(L"text.bmp");
    ASSERT_TRUE(FileWriteBytes(unreadable, "not a picture"));
    for (const std::wstring& file : {picture, unreadable}) {
        MessageBoxCatcher catcher;
        HWND dialog = MainDialogBuild(nullptr);
        ImagePathStore(file);
        MainDialogShowPicture(dialog);
        DialogEnd(dialog, 0);
        End(ViewBitmap);
        ViewBitmap = nullptr;
    }
    // Wine 10 keeps two GDI objects of its own after a box whose making
    // began at a full table, and gives them back with some later window;
    // Wine 8 keeps none. How many is read here: the counts below may be off
    // by that much, and that much room may turn up inside a squeeze.
    int platformKeeps = 0;
    {
        int before = GdiObjectsLive();
        MessageBoxCatcher catcher;
        {
            GdiSqueeze squeeze(0);  // ended as the box is made
            MessageBoxShow(L"full table", L"", LoaderBoxStyle);
        }
        platformKeeps = std::abs(GdiObjectsLive() - before);
    }
    const int records = ObjectRecordCount();
    const int objects = GdiObjectsLive();

    int loaderTooLarge = 0;
    bool loaderShown = false;
    for (int room = 0; room < SqueezeSteps && !loaderShown; ++room) {
        MessageBoxCatcher catcher;
        HBITMAP b;
        {
            GdiSqueeze squeeze(room);
            b = GraphicLoadImageFileToBitmap(picture, 0, 0, 0, 0);
        }
        Outcome outcome = BoxOutcome(catcher, picture, w, h);
        if (b) {
            ASSERT_EQ(outcome, Outcome::Shown) << "room " << room;
            EXPECT_EQ(CanvasPixels(b), expected) << "room " << room;
            End(b);
            loaderShown = true;
        } else {
            ASSERT_TRUE(outcome == Outcome::ReadError || outcome == Outcome::TooLarge) << "room " << room;
            loaderTooLarge += outcome == Outcome::TooLarge;
        }
        ASSERT_EQ(ObjectRecordCount(), records) << "room " << room;
        ASSERT_LE(std::abs(GdiObjectsLive() - objects), platformKeeps) << "room " << room;
    }
    ASSERT_TRUE(loaderShown) << "no room up to " << SqueezeSteps << " was enough";
    // The canvas DC and the bitmap of the picture; room the platform gives
    // back inside a squeeze may step over one of them.
    EXPECT_GE(loaderTooLarge, platformKeeps ? 1 : 2) << "the canvas DC and the bitmap of the picture";

    int windowTooLarge = 0;
    bool windowShown = false;
    const int minWidth = GetSystemMetrics(SM_CXMIN), minHeight = GetSystemMetrics(SM_CYMIN);
    for (int room = 0; room < SqueezeSteps && !windowShown; ++room) {
        HWND dialog = MainDialogBuild(nullptr);
        ASSERT_TRUE(dialog);
        ImagePathStore(picture);
        MessageBoxCatcher catcher;
        {
            GdiSqueeze squeeze(room);
            MainDialogShowPicture(dialog);
        }
        Outcome outcome = BoxOutcome(catcher, picture, w, h);
        ObjectRecord* control = ObjectRecordFind(ControlHandle(dialog, IDC_GRAPHIC));
        ASSERT_TRUE(control);
        RECT outer{};
        GetWindowRect(dialog, &outer);
        wchar_t caption[64] = {};
        GetWindowTextW(dialog, caption, 64);
        EXPECT_STREQ(caption, L"opaque.bmp") << "room " << room;
        if (outcome == Outcome::Shown) {
            EXPECT_EQ(ImageWidth, w);
            EXPECT_EQ(control->graphic.canvasWidth, w);
            EXPECT_EQ(control->graphic.canvasHeight, h);
            EXPECT_EQ(DcPixels(control->graphic.canvasDC, 0, 0, w, h), expected) << "room " << room;
            EXPECT_EQ(outer.right - outer.left, w + 6);
            EXPECT_EQ(outer.bottom - outer.top, h + 29);
            windowShown = true;
        } else {
            ASSERT_TRUE(outcome == Outcome::ReadError || outcome == Outcome::TooLarge) << "room " << room;
            windowTooLarge += outcome == Outcome::TooLarge;
            // The picture's memory went back before the box, which needs
            // some of its own; the empty picture bitmap came after it.
            EXPECT_EQ(catcher.boxes()[0].recordsAlive + 1, ObjectRecordCount()) << "room " << room;
            // The almost empty window of an unreadable picture, with an
            // empty picture bitmap and a 1 x 1 control.
            EXPECT_EQ(ImageWidth, 0) << "room " << room;
            EXPECT_EQ(ImageHeight, 0) << "room " << room;
            ASSERT_TRUE(ObjectRecordFind(ViewBitmap)) << "room " << room;
            EXPECT_EQ(ObjectRecordFind(ViewBitmap)->graphic.canvasWidth, 0);
            EXPECT_EQ(control->graphic.canvasWidth, 1) << "room " << room;
            EXPECT_EQ(control->graphic.canvasHeight, 1) << "room " << room;
            // Asked for 6 x 29; the platform may hold it at its minimum.
            EXPECT_LE(outer.right - outer.left, std::max(6, minWidth)) << "room " << room;
            EXPECT_LE(outer.bottom - outer.top, std::max(29, minHeight)) << "room " << room;
        }
        DialogEnd(dialog, 0);
        End(ViewBitmap);
        ViewBitmap = nullptr;
        ASSERT_FALSE(IsWindow(dialog));
        ASSERT_EQ(ObjectRecordCount(), records) << "room " << room;
        ASSERT_LE(std::abs(GdiObjectsLive() - objects), platformKeeps) << "room " << room;
    }
    ASSERT_TRUE(windowShown) << "no room up to " << SqueezeSteps << " was enough";
    EXPECT_GT(windowTooLarge, loaderTooLarge) << "the control's canvas at the picture's size was never refused";
}
