#include "graphs3d/ASpaceCurve.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"
#include "rendering/Camera3D.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

TEST(SpaceCurveSampleCount, FollowsTheResolution)
{
    const struct {
        double resolution;
        int32_t n;
    } cases[] = {{0, 200}, {0.5, 600}, {1, 1000}, {-2, 200}, {3, 1000}, {NAN, 600}};
    for (const auto& c : cases)
        EXPECT_EQ(SpaceCurveSampleCount(c.resolution), c.n) << c.resolution;
}

class SpaceCurve : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        context.camera = &camera;
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    // The curve of formulas in u (the curve parameter's slot), complete.
    std::unique_ptr<ASpaceCurve> Make(const char* x, const char* y, const char* z, const char* radius,
                                      const char* condition, double resolution)
    {
        std::unique_ptr<ASpaceCurve> c(new ASpaceCurve(Formula(x), Formula(y), Formula(z), Formula(radius),
                                                       Formula(condition), new AGraphColor(&context, &doc),
                                                       resolution, 1, &context, &t0, &t1));
        EXPECT_TRUE(WaitUntil([&] { return c->IsComplete(); }));
        return c;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    double t0 = 0, t1 = 1;
};

// The helix (cos t, sin t, t) over [0, 1] at resolution 0.5: 600 samples on
// the closed form, a polyline of 599 segments; with radius 0.1 a tube of
// 10-sided rings.
TEST_F(SpaceCurve, HelixSamplesFollowTheClosedForm)
{
    auto line = Make("cos(u)", "sin(u)", "u", nullptr, nullptr, 0.5);
    ASSERT_EQ(line->SampleCount(), 600);
    for (int32_t i = 0; i < 600; ++i) {
        const double t = i / 599.0;
        const float* p = line->Points() + 3 * i;
        EXPECT_NEAR(p[0], std::cos(t), 1e-6) << i;
        EXPECT_NEAR(p[1], std::sin(t), 1e-6) << i;
        EXPECT_NEAR(p[2], t, 1e-6) << i;
    }
    EXPECT_FALSE(line->Curve()->IsTube());
    EXPECT_EQ(line->Curve()->LinePairCount(), 599);
    EXPECT_EQ(line->GetStatus(), MessageNone);

    auto tube = Make("cos(u)", "sin(u)", "u", "0.1", nullptr, 0.5);
    ASSERT_TRUE(tube->Curve()->IsTube());
    EXPECT_EQ(tube->Curve()->RingSides(), 10);
    EXPECT_EQ(tube->Curve()->TriangleCount(), 2 * 10 * 599);
    EXPECT_GT(tube->GetExtent(), 0);
    tube->SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(tube->Curve()->Mesh().triangleCount, 2 * 10 * 599);
}

// Samples where the condition is not exactly 1 are gaps: no segment
// reaches into them.
TEST_F(SpaceCurve, ConditionBreaksTheCurve)
{
    auto c = Make("u", "0", "0", nullptr, "abs(u-0.5)>0.1", 0);
    const ACurve3D& curve = *c->Curve();
    int32_t gaps = 0;
    for (int32_t i = 0; i < 200; ++i) {
        const bool inside = std::fabs(i / 199.0 - 0.5) > 0.1;
        EXPECT_EQ(std::isnan(c->Points()[3 * i]), !inside) << i;
        gaps += !inside;
    }
    EXPECT_GT(gaps, 0);
    // Two pieces: every pair of neighbours but those touching the gap.
    EXPECT_EQ(curve.LinePairCount(), 199 - gaps - 1);
}

// A curve that is nowhere defined says so; a new resolution gives a new
// sample count and a new curve.
TEST_F(SpaceCurve, StatusAndResolution)
{
    auto none = Make("sqrt(-1-u)", "0", "0", nullptr, nullptr, 0);
    EXPECT_EQ(none->GetStatus(), MessageUndefinedOrInfiniteForRanges);

    auto c = Make("u", "u", "u", "0.05", nullptr, 0);
    c->SetOption(OptionResolution, 1);
    ASSERT_TRUE(WaitUntil([&] { return c->IsComplete(); }));
    EXPECT_EQ(c->SampleCount(), 1000);
    EXPECT_EQ(c->Curve()->RingSides(), 12);
    EXPECT_EQ(c->Curve()->TriangleCount(), 2 * 12 * 999);
    // The T range is read again by a restart.
    t1 = 2;
    c->Restart();
    ASSERT_TRUE(WaitUntil([&] { return c->IsComplete(); }));
    EXPECT_FLOAT_EQ(c->Points()[3 * 999], 2);
}

// Formula colours give every sample its own colour.
TEST_F(SpaceCurve, FormulaColourIsPerSample)
{
    auto* colour = new AGraphColor(&context, &doc);
    colour->kind = ColorRgbFormulas;
    colour->red = Formula("u");
    colour->green = Formula("0");
    colour->blue = Formula("1-u");
    colour->ReleaseShader();
    ASSERT_EQ(colour->kind, ColorRgbFormulas);
    ASpaceCurve c(Formula("u"), Formula("0"), Formula("0"), Formula("0.1"), nullptr, colour, 0, 1, &context, &t0,
                  &t1);
    ASSERT_TRUE(WaitUntil([&] { return c.IsComplete(); }));
    ASSERT_NE(c.PointColors(), nullptr);
    EXPECT_NEAR(c.PointColors()[0], 0, 1e-6);
    EXPECT_NEAR(c.PointColors()[3 * 199], 1, 1e-6);
    EXPECT_NEAR(c.PointColors()[3 * 199 + 2], 0, 1e-6);
    ASSERT_NE(c.Curve()->RingColors(), nullptr);
}

}  // namespace
