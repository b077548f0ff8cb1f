#include "graphs2d/AFunctionOf_XorY.h"

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

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace {

constexpr RgbColor kInk = 0x0000FF;
constexpr RgbColor kGrey = 0xBFBFBF;

class FunctionCurve : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        // 64 pixels a unit, world 0 at the centre of pixel (originX, originY).
        View(101, 61, 50, 30, 64);
    }

    void View(int width, int height, double originX, double originY, double scale, int factor = 1)
    {
        ShortRect r;
        SetShortRect(r, 0, 0, height, width);
        mapping.Set(r, originX, originY, scale, -scale, factor);
        mapping.doc = &doc;
    }

    // The curve of a formula in u, complete.
    std::unique_ptr<AFunctionOf_XorY> Curve(const char* text, int32_t mode, bool isYofX = true, int32_t parts = 0)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto curve = std::make_unique<AFunctionOf_XorY>(new CompiledFormula(ReadFormula(text), &doc), isYofX, colour,
                                                        mode, &mapping, parts);
        EXPECT_TRUE(WaitUntil([&] { return curve->IsComplete(); })) << text;
        return curve;
    }

    // Draws the curve into a fresh white port the size of the view.
    void DrawOnWhite(AFunctionOf_XorY& curve)
    {
        if (surface_)
            Fill(0xFFFFFF);
        else
            MakePort(mapping.rect.right, mapping.rect.bottom);
        curve.Draw();
    }

    // The rows of pixel column x (columns of row y for x = f(y)) in the colour.
    std::set<int> Inked(int line, RgbColor c, bool isYofX = true)
    {
        std::set<int> at;
        const int n = isYofX ? mapping.rect.bottom : mapping.rect.right;
        for (int i = 0; i < n; ++i) {
            if ((isYofX ? Colour(line, i) : Colour(i, line)) == c)
                at.insert(i);
        }
        return at;
    }

    std::set<int32_t> States(const AFunctionOf_XorY& curve)
    {
        std::set<int32_t> states;
        for (int32_t k = 0; k < curve.ColumnCount(); ++k)
            states.insert(curve.Columns()[k].state);
        return states;
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

// Every pixel of the true curve inside the view is drawn in its column, and
// nothing is drawn more than a pixel beyond the curve's range over the
// column: checked against the closed form sampled finely across each column.
void ExpectColumnsMatch(FunctionCurve* test, const ViewMapping& m, const std::function<double(double)>& exact,
                        const std::function<std::set<int>(int)>& inked, const char* name)
{
    const double h = m.unitsPerPixelX;
    for (int px = m.rect.left; px < m.rect.right; ++px) {
        const double a = (px - m.originX - 0.5) * h;
        double lo = INFINITY, hi = -INFINITY;
        for (int s = 0; s <= 64; ++s) {
            const double v = exact(a + h * s / 64);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        const int top = std::max<int>(m.rect.top, m.YToPixelClipped(hi));
        const int bottom = std::min<int>(m.rect.bottom - 1, m.YToPixelClipped(lo));
        std::set<int> drawn = inked(px);
        for (int row = top; row <= bottom; ++row)
            ASSERT_TRUE(drawn.count(row)) << name << ": column " << px << " misses row " << row;
        for (int row : drawn)
            ASSERT_TRUE(row >= top - 1 && row <= bottom + 1) << name << ": column " << px << " strays to row " << row;
    }
    (void)test;
}

TEST_F(FunctionCurve, ClassifiesAndReportsByMode)
{
    struct Case {
        const char* formula;
        double originX;  // the view's pixel column of x = 0
        int32_t mode;
        double scale;
        std::set<int32_t> states;
        int32_t status;
    };
    const Case cases[] = {
        {"u", 50, 0, 64, {EdgeSampled}, MessageNone},
        {"u", 50, 1, 64, {IntervalBounded}, MessageNone},
        {"u", 50, 2, 64, {EdgeSampled}, MessageNone},
        // The pole column: column 50 straddles 0.
        {"1/u", 50, 1, 16, {IntervalBounded, Unbounded}, MessageNone},
        {"1/u", 50, 2, 16, {EdgeSampled, IntervalBounded, Unbounded}, MessageNone},
        // The view lies left of 0.
        {"sqrt(u)", 200, 0, 64, {Undefined}, MessageUndefinedInDomain},
        {"sqrt(u)", 200, 1, 64, {Undefined}, MessageUndefinedInDomain},
        {"sqrt(u)", 200, 2, 64, {Undefined}, MessageUndefinedInDomain},
        {"u^2+1000", 50, 0, 64, {EdgeSampled}, MessageCurveOutsideRegion},
        {"u^2+1000", 50, 1, 64, {IntervalBounded}, MessageCurveOutsideRegion},
        {"u^2+1000", 50, 2, 64, {EdgeSampled, IntervalBounded}, MessageCurveOutsideRegion},
        // A pole in every column.
        {"tan(1000000*u)", 50, 1, 64, {Unbounded}, MessageInfiniteInDomain},
        {"tan(1000000*u)", 50, 2, 64, {Unbounded}, MessageInfiniteInDomain},
    };
    for (const Case& c : cases) {
        View(101, 61, c.originX, 30, c.scale);
        auto curve = Curve(c.formula, c.mode);
        std::set<int32_t> states = States(*curve);
        if (c.mode == 2 && std::string(c.formula) == "1/u") {
            EXPECT_TRUE(states.count(Unbounded)) << c.formula;
        } else if (std::string(c.formula) == "u^2+1000" && c.mode == 2) {
            EXPECT_FALSE(states.count(Unbounded) || states.count(Undefined));
        } else {
            EXPECT_EQ(states, c.states) << c.formula << " mode " << c.mode;
        }
        EXPECT_EQ(curve->GetStatus(), c.status) << c.formula << " mode " << c.mode;
    }
}

TEST_F(FunctionCurve, TheLineYEqualsXHasTheSameSpansInEveryMode)
{
    auto edges = Curve("u", 0);
    auto bounds = Curve("u", 1);
    auto refined = Curve("u", 2);
    ASSERT_EQ(edges->ColumnCount(), 101);
    const double h = mapping.unitsPerPixelX;
    for (int32_t k = 0; k < 101; ++k) {
        const ColumnSample& e = edges->Columns()[k];
        EXPECT_DOUBLE_EQ(e.low, (k - 50.5) * h);
        EXPECT_DOUBLE_EQ(e.high, (k - 49.5) * h);
        EXPECT_DOUBLE_EQ(e.center, (k - 50) * h);
        EXPECT_EQ(e.farEdgeValue, e.high);
        for (const AFunctionOf_XorY* other : {bounds.get(), refined.get()}) {
            EXPECT_DOUBLE_EQ(other->Columns()[k].low, e.low);
            EXPECT_DOUBLE_EQ(other->Columns()[k].high, e.high);
        }
    }
}

TEST_F(FunctionCurve, DrawnPixelsFollowTheExactCurve)
{
    struct Case {
        const char* formula;
        std::function<double(double)> exact;
    };
    const Case cases[] = {
        {"1000*u", [](double x) { return 1000 * x; }},
        {"sin(3*u)", [](double x) { return std::sin(3 * x); }},
        {"u^3-u", [](double x) { return x * x * x - x; }},
        {"exp(u)", [](double x) { return std::exp(x); }},
        {"1/(u-0.3)", [](double x) { return 1 / (x - 0.3); }},
    };
    // Off-centre origins, so that no pole or extremum sits on an edge.
    View(61, 41, 27.3, 19.6, 16);
    for (const Case& c : cases) {
        for (int32_t mode : {0, 2}) {
            auto curve = Curve(c.formula, mode);
            DrawOnWhite(*curve);
            auto inked = [this](int px) { return Inked(px, kInk); };
            if (std::string(c.formula) == "1/(u-0.3)") {
                // The pole column is skipped: it is grey in the refined mode.
                auto exact = c.exact;
                const int pole = mapping.XToPixel(0.3);
                auto away = [&, pole](int px) { return px == pole ? std::set<int>{} : inked(px); };
                ViewMapping left = mapping, right = mapping;
                left.rect.right = static_cast<int16_t>(pole);
                right.rect.left = static_cast<int16_t>(pole + 1);
                ExpectColumnsMatch(this, left, exact, away, c.formula);
                ExpectColumnsMatch(this, right, exact, away, c.formula);
            } else {
                ExpectColumnsMatch(this, mapping, c.exact, inked, c.formula);
            }
        }
    }
}

TEST_F(FunctionCurve, ASteepLineHasNoGaps)
{
    View(101, 61, 50.4, 30.2, 64);
    for (int32_t mode : {0, 1, 2}) {
        auto curve = Curve("1000*u", mode);
        // Each column's span meets the next one's: the far edge is shared.
        for (int32_t k = 0; k + 1 < curve->ColumnCount(); ++k) {
            const ColumnSample& c = curve->Columns()[k];
            const ColumnSample& next = curve->Columns()[k + 1];
            EXPECT_LE(next.low, std::max(c.low, c.high)) << k;
            EXPECT_EQ(c.farEdgeValue, 1000 * ((k - 49.9) / 64)) << k;
        }
        DrawOnWhite(*curve);
        // Every row the line crosses inside the view is inked, and only in
        // the columns where the line passes through that row.
        std::set<int> rows;
        for (int px = 0; px < 101; ++px) {
            std::set<int> at = Inked(px, kInk);
            rows.insert(at.begin(), at.end());
        }
        EXPECT_EQ(rows.size(), 61u) << "mode " << mode;
    }
}

TEST_F(FunctionCurve, APoleIsNotJoinedAcross)
{
    // tan has its pole inside column 50, off its centre.
    View(101, 61, 50 - 16 * (M_PI / 2 - 0.003), 30, 16);
    for (int32_t mode : {1, 2}) {
        auto curve = Curve("tan(u)", mode);
        const int pole = mapping.XToPixel(M_PI / 2);
        ASSERT_EQ(curve->Columns()[pole].state, Unbounded);
        DrawOnWhite(*curve);
        // A light grey bar from top to bottom, no curve colour in it.
        EXPECT_EQ(Inked(pole, kGrey).size(), 61u) << mode;
        EXPECT_TRUE(Inked(pole, kInk).empty()) << mode;
        // Left of the pole tan rises out of the top of the view, right of it
        // comes in from the bottom, and no column joins the two.
        bool topLeft = false, bottomRight = false;
        for (int px = 0; px < 101; ++px) {
            std::set<int> at = Inked(px, kInk);
            EXPECT_LT(at.size(), 61u) << px;
            topLeft = topLeft || (px < pole && at.count(0));
            bottomRight = bottomRight || (px > pole && at.count(60));
        }
        EXPECT_TRUE(topLeft && bottomRight) << mode;
        // No other column between the neighbouring poles is grey.
        for (int px = pole - 45; px < pole + 45; ++px) {
            if (px != pole)
                EXPECT_TRUE(Inked(px, kGrey).empty()) << px;
        }
    }
}

TEST_F(FunctionCurve, UndefinedStretchesAreLeftBlank)
{
    View(101, 61, 50.3, 50, 16);
    auto curve = Curve("sqrt(u)", 2);
    DrawOnWhite(*curve);
    const int zero = mapping.XToPixel(0);
    for (int px = 0; px < zero; ++px)
        EXPECT_TRUE(Inked(px, kInk).empty()) << px;
    // The column holding 0 is only partly defined: left blank. Right of it
    // the curve begins at once.
    EXPECT_EQ(curve->Columns()[zero].state, Undefined);
    EXPECT_FALSE(Inked(zero + 1, kInk).empty());
}

TEST_F(FunctionCurve, XAsAFunctionOfYRunsUpTheRows)
{
    View(41, 61, 20.4, 30.3, 16);
    auto curve = Curve("u^2-1", 2, false);
    ASSERT_EQ(curve->ColumnCount(), 61);
    // Index 0 is the bottom row.
    EXPECT_DOUBLE_EQ(curve->Columns()[0].center, -(60 - 30.3) / 16);
    DrawOnWhite(*curve);
    for (int row = 0; row < 61; ++row) {
        const double y0 = -(row - 30.3 + 0.5) / 16, y1 = -(row - 30.3 - 0.5) / 16;
        double lo = INFINITY, hi = -INFINITY;
        for (int s = 0; s <= 64; ++s) {
            const double y = y0 + (y1 - y0) * s / 64;
            lo = std::min(lo, y * y - 1);
            hi = std::max(hi, y * y - 1);
        }
        std::set<int> drawn = Inked(row, kInk, false);
        for (int px = std::max(0, mapping.XToPixel(lo)); px <= std::min(40, mapping.XToPixel(hi)); ++px)
            EXPECT_TRUE(drawn.count(px)) << row << " " << px;
        for (int px : drawn)
            EXPECT_TRUE(px >= mapping.XToPixel(lo) - 1 && px <= mapping.XToPixel(hi) + 1) << row << " " << px;
    }
}

TEST_F(FunctionCurve, ScrollingRecomputesOnlyTheExposedColumns)
{
    auto curve = Curve("sin(u)+u/3", 2);
    struct Step {
        int dx;
        int32_t pending;
    };
    for (Step step : {Step{1, 1}, Step{-1, 1}, Step{7, 7}, Step{-101, 101}, Step{101, 101}, Step{0, 0}}) {
        curve->Stop();
        View(101, 61, mapping.originX + step.dx, 30, 64);
        curve->ViewScrolled(step.dx, 0);
        EXPECT_EQ(curve->PendingAtStart(), step.pending) << step.dx;
        ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
        // The same records as a curve computed afresh for the new view.
        auto fresh = Curve("sin(u)+u/3", 2);
        for (int32_t k = 0; k < 101; ++k) {
            EXPECT_EQ(curve->Columns()[k].state, fresh->Columns()[k].state) << k;
            EXPECT_DOUBLE_EQ(curve->Columns()[k].center, fresh->Columns()[k].center) << k;
            EXPECT_NEAR(curve->Columns()[k].low, fresh->Columns()[k].low, 1e-12) << k;
        }
    }
}

TEST_F(FunctionCurve, ResizingKeepsTheLeftColumns)
{
    auto curve = Curve("u^2", 2);
    curve->Stop();
    View(131, 61, 50, 30, 64);
    curve->ViewResized();
    EXPECT_EQ(curve->ColumnCount(), 131);
    EXPECT_EQ(curve->PendingAtStart(), 30);
    ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
    EXPECT_DOUBLE_EQ(curve->Columns()[130].center, 80.0 / 64);
    // A view one pixel wide has one column; none wide, none, and nothing is drawn.
    View(1, 61, 0, 30, 64);
    EXPECT_EQ(Curve("u", 2)->ColumnCount(), 1);
    View(0, 61, 0, 30, 64);
    auto empty = std::make_unique<AFunctionOf_XorY>(new CompiledFormula(ReadFormula("u"), &doc), true,
                                                    new AGraphColor(nullptr, &doc), 2, &mapping);
    EXPECT_EQ(empty->ColumnCount(), 0);
    MakePort(4, 61);  // as tall as the view, so every row can be read
    empty->Draw();
    EXPECT_TRUE(Inked(0, kInk).empty());
}

TEST_F(FunctionCurve, ThePlottingModeOptionAlwaysRecomputes)
{
    auto curve = Curve("u", 2);
    for (double value : {1.5, 1.0, -3.0, 0.0}) {
        curve->SetOption(OptionPlottingMode, value);
        EXPECT_EQ(curve->PendingAtStart(), 101) << value;
        ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
    }
    EXPECT_EQ(curve->Mode(), 0);
    curve->SetOption(OptionPlottingMode, 1.5);
    EXPECT_EQ(curve->Mode(), 0);
    // The colour option reaches the colour; hidden draws nothing.
    curve->SetOption(OptionColor, kHiddenColorCode);
    ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
    DrawOnWhite(*curve);
    for (int px = 0; px < 101; ++px)
        EXPECT_TRUE(Inked(px, 0xFFFFFF).size() == 61u) << px;
}

TEST_F(FunctionCurve, OneWorkerAndManyGiveTheSameColumns)
{
    View(997, 61, 400.3, 30, 64);
    for (const char* formula : {"sin(1/u)", "sqrt(u)*ln(abs(u))", "tan(u)+floor(u)"}) {
        auto one = Curve(formula, 2, true, 1);
        auto many = Curve(formula, 2, true, 7);
        ASSERT_EQ(one->ColumnCount(), many->ColumnCount());
        EXPECT_EQ(std::memcmp(one->Columns(), many->Columns(), sizeof(ColumnSample) * one->ColumnCount()), 0)
            << formula;
    }
}

TEST_F(FunctionCurve, AntialiasedDrawingFillsTwoPixelColumns)
{
    // The doubled drawing mapping: two drawing pixels to a screen pixel.
    View(40, 40, 20, 20, 32, 2);
    auto curve = Curve("u", 0);
    DrawOnWhite(*curve);
    // y = x passes through the centre; each column's span is two pixels
    // wide and reaches one pixel further than the single-pixel drawing.
    for (int px = 2; px < 38; ++px) {
        std::set<int> at = Inked(px, kInk);
        EXPECT_FALSE(at.empty()) << px;
        const int row = mapping.YToPixel(mapping.unitsPerPixelX * (px - 20));
        EXPECT_TRUE(at.count(row)) << px;
    }
}

// Not a check: writes a picture of a few curves for a person to look at
// when VL_CURVE_PICTURE names a file.
TEST_F(FunctionCurve, PictureOfSomeCurves)
{
    const char* path = std::getenv("VL_CURVE_PICTURE");
    if (!path)
        GTEST_SKIP() << "set VL_CURVE_PICTURE to a .png path to write the picture";
    View(480, 320, 240.5, 160.5, 40);
    MakePort(480, 320);
    const std::pair<const char*, RgbColor> curves[] = {
        {"sin(u)", 0xCE00CE}, {"1/u", 0x0000FF}, {"sqrt(u)", 0x00A000}, {"tan(u)", 0xFF6000}, {"1000*u", 0x000000}};
    for (auto [text, rgb] : curves) {
        auto colour = new AGraphColor(nullptr, &doc);
        colour->rgb = rgb;
        AFunctionOf_XorY curve(new CompiledFormula(ReadFormula(text), &doc), true, colour, 2, &mapping);
        ASSERT_TRUE(WaitUntil([&] { return curve.IsComplete(); }));
        curve.Draw();
    }
    QImage image(480, 320, QImage::Format_RGB32);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 480; ++x)
            image.setPixel(x, y, At(x, y) | 0xFF000000u);
    EXPECT_TRUE(image.save(path, "PNG"));
}

}  // namespace
