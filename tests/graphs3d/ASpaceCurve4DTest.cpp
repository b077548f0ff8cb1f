#include "graphs3d/ASpaceCurve4D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class SpaceCurve4D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        Matrix4 identity;
        SetIdentity4(identity);
        ComputeProjection4D(projection, identity, 2.3, Box4D{{-2, -2, -2, -2}, {2, 2, 2, 2}});
        projection.owner = nullptr;
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    std::unique_ptr<ASpaceCurve4D> Curve(const char* x, const char* y, const char* z, const char* w,
                                         const char* condition = nullptr)
    {
        std::unique_ptr<ASpaceCurve4D> c(new ASpaceCurve4D(Formula(x), Formula(y), Formula(z), Formula(w),
                                                           Formula(condition), new AGraphColor(&context, &doc), 0.5,
                                                           &context, &projection, &t0, &t1));
        EXPECT_TRUE(WaitUntil([&] { return c->IsComplete(); }));
        return c;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    Projection4D projection{};
    double t0 = 0, t1 = 1;
};

// The curve's samples, normalised with the box [-2, 2] on every axis, on
// the closed form; all segments drawn while every point lies before the
// eye's depth range ends.
TEST_F(SpaceCurve4D, SamplesAreNormalisedAndDrawnAsSegments)
{
    auto c = Curve("cos(u)", "sin(u)", "u", "~1*u");
    ASSERT_EQ(c->PointCount(), 600);
    for (int32_t i = 0; i < 600; i += 37) {
        const double t = i / 599.0;
        const double* p = c->NormalizedPoints() + 4 * i;
        EXPECT_NEAR(p[0], std::cos(t) / 2, 1e-12);
        EXPECT_NEAR(p[1], std::sin(t) / 2, 1e-12);
        EXPECT_NEAR(p[2], t / 2, 1e-12);
        EXPECT_NEAR(p[3], -t / 2, 1e-12);
    }
    EXPECT_NEAR(c->GetExtent(), std::sqrt(std::pow(std::cos(1.0), 2) + std::pow(std::sin(1.0), 2) + 2) / 2, 1e-12);
    EXPECT_TRUE(c->HasResolution());
    EXPECT_EQ(c->GetStatus(), MessageNone);
    EXPECT_TRUE(c->Draw());
    EXPECT_EQ(c->LinePairCount(), 599);
    // With the identity rotation the first three coordinates are shown.
    EXPECT_NEAR(c->ProjectedPoints()[0], 0.5, 1e-6);
}

// Points nearer the 4D eye than the depth range (v beyond r = 2.3 in
// normalised units) are left out; a condition breaks the curve; a curve
// defined nowhere says so.
TEST_F(SpaceCurve4D, DepthRangeConditionAndStatus)
{
    auto behind = Curve("u", "0", "0", "5+u");
    EXPECT_TRUE(behind->Draw());
    EXPECT_EQ(behind->LinePairCount(), 0);

    auto broken = Curve("u", "0", "0", "0", "abs(u-0.5)>0.1");
    broken->Draw();
    EXPECT_GT(broken->LinePairCount(), 0);
    EXPECT_LT(broken->LinePairCount(), 598);

    auto none = Curve("sqrt(~1-u)", "0", "0", "0");
    EXPECT_EQ(none->GetStatus(), MessageUndefinedOrInfiniteForRanges);
}

// A list of points keeps one point per item and has no resolution.
TEST_F(SpaceCurve4D, PointListKeepsItsItems)
{
    ASpaceCurve4D list(Formula("(vector(0,0,0,0),vector(2,2,2,2),vector(~2,0,0,1))"), new AGraphColor(&context, &doc),
                       &context, &projection);
    ASSERT_TRUE(WaitUntil([&] { return list.IsComplete(); }));
    EXPECT_EQ(list.PointCount(), 3);
    EXPECT_FALSE(list.HasResolution());
    list.SetOption(OptionResolution, 1);
    EXPECT_EQ(list.PointCount(), 3);
    EXPECT_EQ(list.NormalizedPoints()[4 * 1 + 3], 1);
    EXPECT_EQ(list.NormalizedPoints()[4 * 2 + 0], -1);
    EXPECT_EQ(list.NormalizedPoints()[4 * 2 + 3], 0.5);
    list.Draw();
    EXPECT_EQ(list.LinePairCount(), 2);
}

}  // namespace
