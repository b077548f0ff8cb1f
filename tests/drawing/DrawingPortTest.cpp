#include "drawing/DrawingPort.h"

#include "drawing/ClipRegionSaver.h"
#include "drawing/DDUtils.h"
#include "drawing/TypesetDCScope.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "platform/BitmapResource.h"
#include "platform/MessageBox.h"
#include "platform/PortDC.h"
#include "support/PortFixture.h"

#include <QApplication>
#include <QPalette>

#include <chrono>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>

namespace {

using Rows = std::vector<std::string>;

constexpr uint32_t kRed = 0xFF0000;

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

class DrawingPortTest : public PortFixture {
protected:
    void SetUp() override
    {
        PortPenSize = 1;
        PortXorMode = 0;
    }
    void TearDown() override
    {
        SetEquationView(nullptr);
        SetEquationViewPrinterDC(nullptr);
        PortFixture::TearDown();
    }
};

TEST_F(DrawingPortTest, ThinLinesLeaveTheirEndPixelOut)
{
    struct Case {
        int h0, v0, h1, v1;
        bool includingEnd;
        Rows rows;
    } cases[] = {
        {1, 1, 5, 1, false, {"......", ".xxxx.", "......", "......"}},
        {5, 1, 1, 1, false, {"......", "..xxxx", "......", "......"}},
        {1, 1, 5, 1, true, {"......", ".xxxxx", "......", "......"}},
        {2, 0, 2, 3, false, {"..x...", "..x...", "..x...", "......"}},
        {0, 0, 3, 3, false, {"x.....", ".x....", "..x...", "......"}},
        {0, 0, 3, 3, true, {"x.....", ".x....", "..x...", "...x.."}},
        {4, 3, 4, 3, true, {"......", "......", "......", "....x."}},
        {0, 0, 5, 2, false, {"xx....", "..xx..", "....x.", "......"}},
    };
    for (const Case& c : cases) {
        MakePort(6, 4);
        PortSetForeColor(kRed);
        PortMoveTo(c.h0, c.v0);
        if (c.includingEnd)
            PortLineToIncludingEnd(c.h1, c.v1);
        else
            PortLineTo(c.h1, c.v1);
        EXPECT_EQ(Picture(kRed), c.rows) << c.h0 << ',' << c.v0 << " to " << c.h1 << ',' << c.v1;
        DisposeOffscreenSurface(surface_);
    }
    surface_ = nullptr;
}

TEST_F(DrawingPortTest, ADotIsOnePixelAndMovesThePen)
{
    MakePort(5, 4);
    PortSetForeColor(kRed);
    PortDrawDot(3, 2);
    EXPECT_EQ(Picture(kRed), (Rows{".....", ".....", "...x.", "....."}));
    POINT at = GetPortDC()->CurrentPosition();
    EXPECT_EQ(at.x, 4);
    EXPECT_EQ(at.y, 3);
    PortMove(-4, -3);
    at = GetPortDC()->CurrentPosition();
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y, 0);
}

TEST_F(DrawingPortTest, PaintRectCoversExactlyItsRectangle)
{
    MakePort(8, 5);
    // Window-text outline around the highlight fill.
    PortSetHighlightFill();
    PortPaintRect(Rect(1, 1, 4, 6));
    EXPECT_EQ(Picture(0x000000), (Rows{"........", ".xxxxx..", ".x???x..", ".xxxxx..", "........"}));
    EXPECT_EQ(Colour(2, 2), 0x00EFEFu);

    PortSetForeColor(kRed);
    PortPaintRect(Rect(0, 6, 5, 7));
    EXPECT_EQ(Colour(6, 4), kRed);
    EXPECT_EQ(Colour(7, 4), 0xFFFFFFu);
}

TEST_F(DrawingPortTest, FrameRectPaintsFourStripsOfThePenSize)
{
    struct Case {
        int pen;
        ShortRect r;
        Rows rows;
    } cases[] = {
        {1, Rect(1, 1, 5, 6), {"........", ".xxxxx..", ".x...x..", ".x...x..", ".xxxxx..", "........", "........"}},
        {2, Rect(0, 0, 6, 6), {"xxxxxx..", "xxxxxx..", "xx..xx..", "xx..xx..", "xxxxxx..", "xxxxxx..", "........"}},
        // Two rows and a pen of 1 leave no room between the strips: nothing.
        {1, Rect(1, 1, 3, 6), {"........", "........", "........", "........", "........", "........", "........"}},
        // A pen wider than the rectangle stays inside it; the strips thin to
        // the room between them.
        {3, Rect(0, 2, 7, 4), {"..xx....", "..xx....", "........", "........", "........", "........", "..xx...."}},
    };
    for (const Case& c : cases) {
        MakePort(8, 7);
        PortSetForeColor(kRed);
        PortSetPenSize(c.pen);
        PortFrameRect(c.r);
        EXPECT_EQ(Picture(kRed), c.rows) << "pen " << c.pen;
        DisposeOffscreenSurface(surface_);
    }
    surface_ = nullptr;
}

TEST_F(DrawingPortTest, ThickPenOnAThinRectangleNeverPaintsOutsideIt)
{
    for (int pen = 1; pen <= 6; ++pen)
        for (int height = 0; height <= 7; ++height)
            for (int width = 0; width <= 7; ++width) {
                MakePort(16, 16);
                PortSetForeColor(kRed);
                PortSetPenSize(pen);
                ShortRect r = Rect(4, 4, 4 + height, 4 + width);
                PortFrameRect(r);
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        if (!PointInShortRect(ShortPoint{static_cast<int16_t>(y), static_cast<int16_t>(x)}, r)) {
                            ASSERT_EQ(Colour(x, y), 0xFFFFFFu) << pen << ' ' << height << ' ' << width;
                        }
                DisposeOffscreenSurface(surface_);
            }
    surface_ = nullptr;
}

TEST_F(DrawingPortTest, XorFrameAndInvertTwiceRestoreTheImage)
{
    MakePort(9, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            At(x, y) = static_cast<uint32_t>(x * 0x1F0307 + y * 0x030B1D) & 0xFFFFFF;
    std::vector<uint32_t> before(surface_->memory, surface_->memory + 81);
    PortSetForeColor(0x00FF00);
    PortSetPenSize(2);
    PortSetPenModeXor();
    PortFrameRect(Rect(1, 1, 8, 8));
    EXPECT_EQ(Colour(1, 1), (before[10] ^ 0x00FF00) & 0xFFFFFF);
    EXPECT_EQ(Colour(4, 4), before[40] & 0xFFFFFF);
    PortFrameRect(Rect(1, 1, 8, 8));
    PortInvertRect(Rect(2, 3, 6, 7));
    EXPECT_EQ(Colour(3, 2), ~before[21] & 0xFFFFFF);
    EXPECT_EQ(Colour(7, 2), before[25] & 0xFFFFFF);
    PortInvertRect(Rect(2, 3, 6, 7));
    for (int i = 0; i < 81; ++i)
        ASSERT_EQ(surface_->memory[i] & 0xFFFFFF, before[i] & 0xFFFFFF) << i;
    PortPenNormal();
    EXPECT_EQ(PortXorMode, 0);
    EXPECT_EQ(PortPenSize, 1);
}

TEST_F(DrawingPortTest, PenSizeFourHasSquareCapsAndThreeRoundOnes)
{
    MakePort(32, 20);
    PortSetPenSize(4);
    PortSetForeColor(kRed);
    PortMoveTo(10, 10);
    PortLineTo(20, 10);
    EXPECT_EQ(GetPortDC()->Pen().geometric, true);
    // Two pixels past each end and across: columns 8-21, rows 8-11.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(Colour(x, y) == kRed, x >= 8 && x <= 21 && y >= 8 && y <= 11) << x << ',' << y;

    Fill(0xFFFFFF);
    PortSetPenSize(3);
    PortSetForeColor(kRed);
    EXPECT_EQ(GetPortDC()->Pen().geometric, false);
    PortMoveTo(10, 10);
    PortLineTo(20, 10);
    EXPECT_EQ(Colour(15, 10), kRed);
    EXPECT_NE(Colour(8, 9), kRed);
    EXPECT_NE(Colour(21, 11), kRed);
}

TEST_F(DrawingPortTest, HugeLinesAreCutToTheImageBeforeStepping)
{
    MakePort(40, 30);
    PortSetForeColor(kRed);
    constexpr int kFar = 1000000000;
    struct Case {
        int h0, v0, h1, v1;
        int penSize;
        std::function<bool(int x, int y)> drawn;
    } cases[] = {
        {-kFar, 5, kFar, 5, 1, [](int, int y) { return y == 5; }},
        {3, kFar, 3, -kFar, 1, [](int x, int) { return x == 3; }},
        {-kFar, -kFar, kFar, kFar, 1, [](int x, int y) { return x == y; }},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, [](int x, int y) { return x == y; }},
        // Rises one row over 10^8 columns: flat over the image.
        {0, 0, kFar, 10, 1, [](int, int y) { return y == 0; }},
        {-kFar, -5, kFar, -5, 1, [](int, int) { return false; }},
        {-kFar, 20, kFar, 20, 4, [](int, int y) { return y >= 18 && y <= 21; }},
    };
    auto started = std::chrono::steady_clock::now();
    for (const Case& c : cases) {
        Fill(0xFFFFFF);
        PortSetPenSize(c.penSize);
        PortSetForeColor(kRed);
        PortMoveTo(c.h0, c.v0);
        PortLineTo(c.h1, c.v1);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(Colour(x, y) == kRed, c.drawn(x, y))
                    << x << ',' << y << " of " << c.h0 << ',' << c.v0 << " to " << c.h1 << ',' << c.v1;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
}

TEST_F(DrawingPortTest, DottedPenRunsThreeOnThreeOffWithTheBackgroundInTheGaps)
{
    MakePort(14, 2);
    PortSetForeColor(kRed);
    PortSetThinDottedPen();
    PortSetBackColor(0x0000FF);
    PortMoveTo(0, 0);
    PortLineTo(13, 0);
    PortSetTransparentTextBack();
    PortMoveTo(0, 1);
    PortLineTo(13, 1);
    EXPECT_EQ(Picture(kRed), (Rows{"xxx???xxx???x.", "xxx...xxx...x."}));
    EXPECT_EQ(Colour(3, 0), 0x0000FFu);
}

TEST_F(DrawingPortTest, ColoursAndEraseUseTheSystemColours)
{
    MakePort(4, 3, 0x123456);
    EXPECT_EQ(RgbToColorRef(0x123456), 0x563412u);
    PortSetForeColor(0x00AA00);
    EXPECT_EQ(PortForeColor, 0x00AA00u);
    PortSetDefaultColors();
    EXPECT_EQ(PortForeColor, 0u);
    EXPECT_EQ(GetPortDC()->Brush(), 0u);
    PortEraseRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(Colour(1, 1), 0xFFFFFFu);
    EXPECT_EQ(Colour(2, 1), 0x123456u);
    PortSetBaselineTextAlign();
    EXPECT_EQ(GetPortDC()->TextAlign(), kTextAlignBaseline | kTextAlignUpdatePosition);
}

TEST_F(DrawingPortTest, DrawingWithoutADeviceContextDoesNothing)
{
    MakePort(4, 4);
    ReleasePortDC();
    PortSetForeColor(kRed);
    PortMoveTo(0, 0);
    PortLineTo(3, 3);
    PortPaintRect(Rect(0, 0, 4, 4));
    PortFrameRect(Rect(0, 0, 4, 4));
    PortInvertRect(Rect(0, 0, 4, 4));
    ClipPortToRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(Picture(kRed), (Rows{"....", "....", "....", "...."}));
    EXPECT_EQ(PortForeColor, kRed);
}

TEST(HsvToRgb, SectorsFractionsAndGrey)
{
    struct Case {
        double h, s, v, r, g, b;
    } cases[] = {
        {0.25, 1, 1, 0.5, 1, 0},    {1.25, 1, 1, 0.5, 1, 0},   {-0.75, 1, 1, 0.5, 1, 0},
        {0.7, 0, 0.3, 0.3, 0.3, 0.3}, {0, 1, 1, 1, 0, 0},       {1.0 / 6, 1, 1, 1, 1, 0},
        {2.0 / 6, 1, 1, 0, 1, 0},   {0.5, 1, 1, 0, 1, 1},      {4.0 / 6, 1, 1, 0, 0, 1},
        {5.0 / 6, 1, 1, 1, 0, 1},   {0.75, 0.5, 0.8, 0.6, 0.4, 0.8},
    };
    for (const Case& c : cases) {
        double r, g, b;
        HsvToRgb(c.h, c.s, c.v, r, g, b);
        EXPECT_NEAR(r, c.r, 1e-12) << c.h;
        EXPECT_NEAR(g, c.g, 1e-12) << c.h;
        EXPECT_NEAR(b, c.b, 1e-12) << c.h;
    }
}

TEST_F(DrawingPortTest, PortSaverPutsThePreviousPortBack)
{
    MakePort(2, 2);
    OffscreenSurface* other = MakeSurface(0, 0, 3, 3);
    {
        PortSaver saver(other);
        EXPECT_EQ(CurrentPort, other);
        {
            PortSaver inner(nullptr);
            EXPECT_EQ(CurrentPort, nullptr);
        }
        EXPECT_EQ(CurrentPort, other);
    }
    EXPECT_EQ(CurrentPort, surface_);
    DisposeOffscreenSurface(other);
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "DrawingPortTest";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class ClipTest : public DrawingPortTest {
protected:
    void SetUp() override
    {
        DrawingPortTest::SetUp();
        App();
        view_ = std::make_unique<COndrelView>(nullptr);
        // The view records itself; each test says when it is there.
        SetEquationView(nullptr);
        MakePort(6, 6);
        PortSetForeColor(kRed);
    }
    void TearDown() override
    {
        DrawingPortTest::TearDown();
        view_.reset();
    }
    void Paint() { PortPaintRect(Rect(0, 0, 6, 6)); }

    std::unique_ptr<COndrelView> view_;
};

TEST_F(ClipTest, ClipPortToRectLimitsDrawing)
{
    ClipPortToRect(Rect(1, 2, 3, 5));
    Paint();
    EXPECT_EQ(Picture(kRed), (Rows{"......", "..xxx.", "..xxx.", "......", "......", "......"}));
}

TEST_F(ClipTest, SaverWithoutAPreviousClipRestoresNoClip)
{
    SetEquationView(view_.get());
    {
        ClipRegionSaver saver(Rect(0, 0, 1, 1));
        Paint();
        EXPECT_EQ(Picture(kRed)[1], "......");
    }
    EXPECT_FALSE(GetPortDC()->GetClipRegion(nullptr));
    Paint();
    EXPECT_EQ(Picture(kRed)[5], "xxxxxx");
}

TEST_F(ClipTest, SaverRestoresThePreviousClip)
{
    SetEquationView(view_.get());
    ClipPortToRect(Rect(0, 0, 2, 6));
    {
        ClipRegionSaver saver(Rect(4, 0, 6, 6));
        Paint();
    }
    EXPECT_EQ(Picture(kRed), (Rows{"......", "......", "......", "......", "xxxxxx", "xxxxxx"}));
    Fill(0xFFFFFF);
    Paint();
    EXPECT_EQ(Picture(kRed), (Rows{"xxxxxx", "xxxxxx", "......", "......", "......", "......"}));
}

TEST_F(ClipTest, SaverIsInertWithoutTheViewAndWhilePrintingUnlessForced)
{
    {
        ClipRegionSaver saver(Rect(0, 0, 1, 1));
        EXPECT_FALSE(GetPortDC()->GetClipRegion(nullptr));
    }
    SetEquationView(view_.get());
    std::unique_ptr<PortDC> printer(PortDC::NewForMeasuring());
    SetEquationViewPrinterDC(printer.get());
    {
        ClipRegionSaver saver(Rect(0, 0, 1, 1));
        EXPECT_FALSE(GetPortDC()->GetClipRegion(nullptr));
    }
    {
        ClipRegionSaver saver(Rect(0, 0, 1, 1), true);
        EXPECT_TRUE(GetPortDC()->GetClipRegion(nullptr));
    }
    EXPECT_FALSE(GetPortDC()->GetClipRegion(nullptr));
}

TEST_F(ClipTest, TypesetScopeLendsTheViewContextToAPortWithoutOne)
{
    {
        TypesetDCScope inert(true);
        EXPECT_EQ(TypesetDC, nullptr);
    }
    SetEquationView(view_.get());
    ReleasePortDC();
    PortDC* before = TypesetDC;
    {
        TypesetDCScope scope(true);
        ASSERT_NE(TypesetDC, nullptr);
        EXPECT_EQ(GetPortDC(), TypesetDC);
        EXPECT_FALSE(TypesetDC->DrawsPixels());
    }
    EXPECT_EQ(TypesetDC, before);
    EXPECT_EQ(GetPortDC(), nullptr);

    // A port that has its own context keeps it.
    ASSERT_TRUE(AcquirePortDC());
    PortDC* own = GetPortDC();
    std::unique_ptr<PortDC> callers(PortDC::NewForMeasuring());
    {
        TypesetDCScope scope(callers.get(), true);
        EXPECT_EQ(TypesetDC, callers.get());
        EXPECT_EQ(GetPortDC(), own);
    }
    EXPECT_EQ(GetPortDC(), own);
    EXPECT_EQ(TypesetDC, before);
}

TEST_F(ClipTest, BitmapResourcesDrawWithButtonGreysInTheSystemColours)
{
    int boxes = 0;
    SetMessageBoxHook([&](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        ++boxes;
        return true;
    });
    const int drawn[] = {200, 201, 202, 253, 258, 269, 272, 279, 280, 281, 324, 326, 327, 328, 329};
    for (int id : drawn) {
        SCOPED_TRACE(id);
        BitmapPixels bitmap;
        ASSERT_TRUE(LoadBitmapResource(id, bitmap));
        EXPECT_EQ(bitmap.width, id == 258 ? 256 : 16);
        EXPECT_EQ(bitmap.height, id == 258 ? 128 : 16);
        const DibHeader* dib = LockBitmapResource(id);
        ASSERT_NE(dib, nullptr);
        EXPECT_EQ(dib->biWidth, bitmap.width);
        EXPECT_EQ(dib->biBitCount, 32);
    }

    // The swatch picture unscaled, cut to the rectangle at its top-left.
    BitmapPixels swatch;
    ASSERT_TRUE(LoadBitmapResource(253, swatch));
    DrawBitmapResource(Rect(1, 2, 5, 5), 253, false);
    EXPECT_EQ(Colour(2, 1), swatch.pixels[0]);
    EXPECT_EQ(Colour(4, 4), swatch.pixels[3 * 16 + 2]);
    EXPECT_EQ(Colour(5, 4), 0xFFFFFFu);

    // The face grey of a button picture takes the palette's button colour.
    QPalette original = QApplication::palette();
    QPalette palette = original;
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    QApplication::setPalette(palette);
    DrawBitmapResource(Rect(0, 0, 6, 6), 201, true);
    QApplication::setPalette(original);
    EXPECT_EQ(Colour(0, 0), 0x0A141Eu);
    SetMessageBoxHook({});
    EXPECT_EQ(boxes, 0);
}

TEST_F(ClipTest, MissingBitmapResourceIsReportedAndDrawsNothing)
{
    int boxes = 0;
    SetMessageBoxHook([&](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        ++boxes;
        return true;
    });
    DrawBitmapResource(Rect(0, 0, 6, 6), 4242, true);
    SetMessageBoxHook({});
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(Picture(kRed)[0], "......");
}

}  // namespace
