#include "graphs3d/ATransformedDEPlot3D.h"
#include "graphs3d/ATransformedImplicitSurface.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ADEPlot3D.h"
#include "graphs3d/AnImplicitSurface.h"
#include "graphs3d/FlowCurve.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class TransformedPlots : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override { ASSERT_TRUE(InitFormulaEngine()); }
    void TearDown() override { SetProcessorCountOverride(0); }

    CompiledFormula* F(const char* text) { return new CompiledFormula(ReadFormula(text), &doc); }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    double x0 = -2, x1 = 2, y0 = -2, y1 = 2, z0 = -2, z1 = 2;
};

// Cylindrical coordinates (x the radius, y the angle) mapped into space
// point by point; four source lines on two parts give each part two.
TEST_F(TransformedPlots, CylindricalMapOfFourSourceLines)
{
    SetProcessorCountOverride(2);
    PointStore starts;
    for (int32_t i = 0; i < 4; ++i)
        ASSERT_EQ(starts.Push(SpacePoint{0.5 + 0.25 * i, 0, -1}), 0);
    auto source = std::make_unique<ADEPlot3D>(F("0"), F("1"), F("0.5"), nullptr, nullptr, new AGraphColor(&context, &doc),
                                              1, &starts, &x0, &x1, &y0, &y1, &z0, &z1, &context);
    auto mapped = std::make_unique<ATransformedDEPlot3D>(F("x*cos(y)"), F("x*sin(y)"), F("z"), source.get(), &context);
    EXPECT_FALSE(mapped->IsComplete());
    source->Start();
    ASSERT_TRUE(WaitUntil([&] { return mapped->IsComplete(); }));
    ASSERT_EQ(mapped->PartCount(), 2);
    EXPECT_EQ(mapped->MappedByPart(0), 2);
    EXPECT_EQ(mapped->MappedByPart(1), 2);
    ASSERT_EQ(mapped->CurveCount(), 4);
    for (int32_t c = 0; c < 4; ++c) {
        const FlowCurve* image = mapped->CurveAt(c);
        // Each line keeps its radius x about the z axis: find its source.
        const float r = std::hypot(image->points[0], image->points[1]);
        const FlowCurve* line = nullptr;
        for (int32_t s = 0; s < source->CurveCount(); ++s) {
            if (std::fabs(source->CurveAt(s)->points[0] - r) < 1e-6)
                line = source->CurveAt(s);
        }
        ASSERT_NE(line, nullptr);
        ASSERT_EQ(image->count, line->count);
        for (int32_t k = 0; k < image->count; ++k) {
            const float* p = line->points + 3 * k;
            EXPECT_NEAR(image->points[3 * k], p[0] * std::cos(p[1]), 1e-5);
            EXPECT_NEAR(image->points[3 * k + 1], p[0] * std::sin(p[1]), 1e-5);
            EXPECT_EQ(image->points[3 * k + 2], p[2]);
        }
    }
    mapped.reset();
    source.reset();
    starts.Clear();
}

// The sphere mapped by the identity stays closed with outward triangles; a
// map undefined where x < 0 keeps only the triangles it maps whole.
TEST_F(TransformedPlots, ImplicitSurfaceMappedKeepsOrientationAndDropsUndefinedTriangles)
{
    auto sphere = std::make_unique<AnImplicitSurface>(F("x^2+y^2+z^2-1"), 0.2, 1, new AGraphColor(&context, &doc),
                                                      nullptr, 0, &x0, &x1, &y0, &y1, &z0, &z1, &context);
    ASSERT_TRUE(WaitUntil([&] { return sphere->IsComplete(); }, 20));
    const int64_t total = sphere->CountPublishedTriangles();
    ASSERT_GT(total, 100);
    auto identity = std::make_unique<ATransformedImplicitSurface>(F("x"), F("y"), F("z"), sphere.get(), &context);
    ASSERT_TRUE(WaitUntil([&] { return identity->IsComplete(); }));
    ASSERT_EQ(identity->TriangleCount(), total);
    for (int32_t k = 0; k < identity->TriangleCount(); ++k) {
        const int32_t* t = identity->Triangles() + 3 * k;
        const float *a = identity->Positions() + 3 * t[0], *b = identity->Positions() + 3 * t[1],
                    *c = identity->Positions() + 3 * t[2];
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double w[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        EXPECT_GT(n[0] * (a[0] + b[0] + c[0]) + n[1] * (a[1] + b[1] + c[1]) + n[2] * (a[2] + b[2] + c[2]), 0) << k;
    }
    auto half = std::make_unique<ATransformedImplicitSurface>(F("sqrt(x)"), F("y"), F("z"), sphere.get(), &context);
    ASSERT_TRUE(WaitUntil([&] { return half->IsComplete(); }));
    EXPECT_GT(half->TriangleCount(), total / 4);
    EXPECT_LT(half->TriangleCount(), 3 * total / 4);
    for (int32_t k = 0; k < 3 * half->TriangleCount(); ++k)
        EXPECT_TRUE(IsFiniteVertex(half->Positions() + 3 * half->Triangles()[k]));
    half.reset();
    identity.reset();
}

}  // namespace
