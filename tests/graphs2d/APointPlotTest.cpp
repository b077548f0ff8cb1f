#include "graphs2d/APointPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/TestApp.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr RgbColor kInk = 0x0000FF;

class PointPlot : public PortFixture {
protected:
    static void SetUpTestSuite()
    {
        TestApp();  // fonts need the application
        StartWorkerThreads();
    }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        // 20 pixels a unit, world 0 at the centre of pixel (40, 30).
        ShortRect r;
        SetShortRect(r, 0, 0, 61, 121);
        mapping.Set(r, 40, 30, 20, -20, 1);
        mapping.doc = &doc;
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    std::unique_ptr<APointPlot> Point(const char* x, const char* y, bool draggable = false, const char* size = nullptr,
                                      const char* label = nullptr, const char* symbol = nullptr)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto point = std::make_unique<APointPlot>(Formula(x), Formula(y), Formula(symbol), Formula(label),
                                                  Formula(size), colour, draggable, &mapping);
        EXPECT_TRUE(WaitUntil([&] { return point->IsComplete(); })) << x << ", " << y;
        return point;
    }

    void DrawOnWhite(APointPlot& point)
    {
        MakePort(mapping.rect.right, mapping.rect.bottom);
        ReleasePortDC();  // the point acquires the port's context itself
        point.Draw();
    }

    int Inked(RgbColor c)
    {
        int n = 0;
        for (int y = 0; y < mapping.rect.bottom; ++y) {
            for (int x = 0; x < mapping.rect.right; ++x)
                n += Colour(x, y) == c;
        }
        return n;
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

TEST_F(PointPlot, SizeKeepsItsValueUnlessTheFormulaGivesAPositiveNumber)
{
    const struct {
        const char* size;
        double expected;
    } cases[] = {
        {nullptr, 9}, {"0", 9}, {"~2", 9}, {"NaN", 9}, {"Infinity", 9}, {"14", 14}, {"0.5", 0.5},
        // The size formula sees the point as x and y.
        {"x+y", 3},
    };
    for (const auto& c : cases) {
        auto point = Point("1", "2", false, c.size);
        EXPECT_EQ(point->Size(), c.expected) << (c.size ? c.size : "none");
    }
    // A huge size draws (at a bounded font size) without harm.
    auto label = Point("1", "1", false, "1e300", "\"far\"");
    EXPECT_EQ(label->Size(), 1e300);
    DrawOnWhite(*label);
    const int px = mapping.XToPixel(1), py = mapping.YToPixel(1);
    EXPECT_EQ(Colour(px, py), kInk);
}

TEST_F(PointPlot, OnlyADraggablePointIsHitOrTraced)
{
    auto fixed = Point("1", "1");
    EXPECT_FALSE(fixed->HitTest(1, 1));
    EXPECT_EQ(fixed->Trace(1, 1).kind, TraceNothing);
    EXPECT_EQ(fixed->GetHitPriority(), HitPriorityFirst);

    auto dragged = Point("1", "1", true);
    const double px = mapping.unitsPerPixelX;
    EXPECT_TRUE(dragged->HitTest(1, 1));
    EXPECT_TRUE(dragged->HitTest(1 + 4 * px, 1));
    EXPECT_TRUE(dragged->HitTest(1 + 2 * px, 1 - 3 * px));
    EXPECT_FALSE(dragged->HitTest(1 + 5 * px, 1));
    EXPECT_FALSE(dragged->HitTest(NAN, 1));
    TraceInfo at = dragged->Trace(1.01, 0.99);
    EXPECT_EQ(at.kind, TraceDraggablePoint);
    EXPECT_EQ(at.x, 1.01);
    EXPECT_EQ(at.y, 0.99);
    // Dragging moves it without a computation; a hidden point is not hit.
    dragged->SetOption(OptionPointX, -1);
    dragged->SetOption(OptionPointY, 0.5);
    EXPECT_EQ(dragged->PointX(), -1);
    EXPECT_TRUE(dragged->HitTest(-1, 0.5));
    dragged->SetOption(OptionColor, kHiddenColorCode);
    EXPECT_FALSE(dragged->HitTest(-1, 0.5));

    // Twice the pixels in a doubled mapping: still 4 screen pixels.
    ShortRect r;
    SetShortRect(r, 0, 0, 122, 242);
    mapping.Set(r, 80, 60, 40, -40, 2);
    auto doubled = Point("1", "1", true);
    EXPECT_TRUE(doubled->HitTest(1 + 4 * mapping.unitsPerPixelX * 2, 1));
    EXPECT_FALSE(doubled->HitTest(1 + 5 * mapping.unitsPerPixelX * 2, 1));
}

TEST_F(PointPlot, APointAtAnUndefinedOrInfiniteCoordinateDrawsNothing)
{
    for (const char* x : {"1/0", "NaN", "Infinity", "sqrt(~1)"}) {
        auto point = Point(x, "0");
        DrawOnWhite(*point);
        EXPECT_EQ(Inked(0xFFFFFF), 121 * 61) << x;
    }
}

TEST_F(PointPlot, ADotWithItsLabelToTheRight)
{
    auto point = Point("1", "0", false, nullptr, "\"P\"");
    DrawOnWhite(*point);
    const int px = mapping.XToPixel(1), py = mapping.YToPixel(0);
    // A disc of radius 3 in the colour.
    EXPECT_EQ(Colour(px, py), kInk);
    EXPECT_EQ(Colour(px + 3, py), kInk);
    EXPECT_NE(Colour(px + 5, py), kInk);
    // The label starts 3 + 4 pixels right of the centre.
    int leftmost = 1000;
    for (int y = 0; y < mapping.rect.bottom; ++y) {
        for (int x = px + 4; x < mapping.rect.right; ++x) {
            if (Colour(x, y) != 0xFFFFFF)
                leftmost = std::min(leftmost, x);
        }
    }
    EXPECT_GE(leftmost, px + 7);
    EXPECT_LE(leftmost, px + 10);
}

TEST_F(PointPlot, ASymbolIsCentredOnThePoint)
{
    auto point = Point("1", "0", false, "20", nullptr, "\"W\"");
    DrawOnWhite(*point);
    const int px = mapping.XToPixel(1), py = mapping.YToPixel(0);
    int left = 1000, right = -1, top = 1000, bottom = -1;
    for (int y = 0; y < mapping.rect.bottom; ++y) {
        for (int x = 0; x < mapping.rect.right; ++x) {
            if (Colour(x, y) != 0xFFFFFF) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, px, 2);
    EXPECT_NEAR((top + bottom) / 2.0, py, 3);
    EXPECT_GT(right - left, 8);  // 20 points, not the 3-pixel dot
}

TEST_F(PointPlot, APictureColourWithoutItsPictureDrawsTheDot)
{
    auto* colour = new AGraphColor(nullptr, &doc);
    colour->rgb = kInk;
    colour->kind = ColorPicture;
    APointPlot point(Formula("0"), Formula("0"), nullptr, nullptr, nullptr, colour, false, &mapping);
    ASSERT_TRUE(WaitUntil([&] { return point.IsComplete(); }));
    DrawOnWhite(point);
    EXPECT_EQ(Colour(mapping.XToPixel(0), mapping.YToPixel(0)), kInk);
}

TEST_F(PointPlot, EveryVariableRecomputesThePoint)
{
    auto point = Point("1", "2", true);
    point->SetOption(OptionPointX, 5);
    point->VariableChanged('q');
    ASSERT_TRUE(WaitUntil([&] { return point->IsComplete(); }));
    EXPECT_EQ(point->PointX(), 1);
}

}  // namespace
