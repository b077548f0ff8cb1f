#include "graphs2d/AnArrowPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr RgbColor kInk = 0x0000FF;

class ArrowPlot : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        // 10 pixels a unit, world 0 at the centre of pixel (30, 30).
        ShortRect r;
        SetShortRect(r, 0, 0, 61, 61);
        mapping.Set(r, 30, 30, 10, -10, 1);
        mapping.doc = &doc;
    }

    std::unique_ptr<AnArrowPlot> Arrow(const char* x1, const char* y1, const char* x2, const char* y2)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto arrow = std::make_unique<AnArrowPlot>(
            new CompiledFormula(ReadFormula(x1), &doc), new CompiledFormula(ReadFormula(y1), &doc),
            new CompiledFormula(ReadFormula(x2), &doc), new CompiledFormula(ReadFormula(y2), &doc), colour, &mapping);
        EXPECT_TRUE(WaitUntil([&] { return arrow->IsComplete(); }));
        return arrow;
    }

    // Pixels not white after drawing on white.
    int DrawnPixels(AnArrowPlot& arrow)
    {
        MakePort(61, 61);
        arrow.Draw();
        int n = 0;
        for (int y = 0; y < 61; ++y) {
            for (int x = 0; x < 61; ++x)
                n += Colour(x, y) != 0xFFFFFF;
        }
        return n;
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

TEST_F(ArrowPlot, AnArrowWithAnUndefinedOrInfiniteEndIsNotDrawn)
{
    const struct {
        const char *x1, *y1, *x2, *y2;
    } cases[] = {
        {"0", "0", "NaN", "1"}, {"0", "0", "1", "1/0"}, {"Infinity", "0", "1", "1"},
        {"0", "sqrt(~1)", "1", "1"}, {"0", "0", "-Infinity", "2"},
    };
    for (const auto& c : cases) {
        auto arrow = Arrow(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(DrawnPixels(*arrow), 0) << c.x1 << " " << c.y1 << " " << c.x2 << " " << c.y2;
    }
}

TEST_F(ArrowPlot, ShaftAndHeadInTheColour)
{
    auto arrow = Arrow("~2", "0", "2", "0");
    EXPECT_EQ(arrow->X2(), 2);
    EXPECT_GT(DrawnPixels(*arrow), 40);
    // The shaft along row 30 from column 10 to column 50.
    for (int x = 10; x <= 44; ++x)
        EXPECT_EQ(Colour(x, 30), kInk) << x;
    // The head widens toward its base, 5 pixels back from the tip.
    EXPECT_NE(Colour(47, 32), 0xFFFFFFu);
    EXPECT_NE(Colour(47, 28), 0xFFFFFFu);
    EXPECT_EQ(Colour(52, 30), 0xFFFFFFu);
    EXPECT_EQ(Colour(40, 33), 0xFFFFFFu);
    // Arrows are never hit or traced.
    EXPECT_FALSE(arrow->HitTest(0, 0));
    EXPECT_EQ(arrow->Trace(0, 0).kind, TraceNothing);
}

TEST_F(ArrowPlot, EveryVariableRecomputesButTheColourOnlyRedraws)
{
    auto arrow = Arrow("0", "0", "1", "1");
    int redraws = FakeGraphServices::redraws;
    arrow->VariableChanged('q');
    ASSERT_TRUE(WaitUntil([&] { return arrow->IsComplete(); }));
    EXPECT_GT(FakeGraphServices::redraws, redraws);
    redraws = FakeGraphServices::redraws;
    arrow->SetOption(OptionColor, 3);
    EXPECT_TRUE(arrow->IsComplete());
    EXPECT_EQ(FakeGraphServices::redraws, redraws);
    arrow->SetOption(OptionColor, kHiddenColorCode);
    EXPECT_EQ(DrawnPixels(*arrow), 0);
}

}  // namespace
