#include "graphs3d/AGridSurface.h"

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

#include <array>
#include <cmath>
#include <memory>
#include <set>

namespace {

class GridSurface : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override { ASSERT_TRUE(InitFormulaEngine()); }

    CompiledFormula* Formula(const char* text) { return new CompiledFormula(ReadFormula(text), &doc); }

    // The surface of the three formulas over [u0, u1] x [v0, v1], complete.
    std::unique_ptr<AGridSurface> Make(const char* x, const char* y, const char* z, double resolution = 0,
                                       int32_t mode = 0, const char* condition = nullptr,
                                       int32_t kind = ColorSolid)
    {
        auto* colour = new AGraphColor(&context, &doc);
        colour->kind = kind;
        std::unique_ptr<AGridSurface> s(new AGridSurface(Formula(x), Formula(y), Formula(z), resolution, 1, colour,
                                                         condition ? Formula(condition) : nullptr, mode, &u0, &u1,
                                                         &v0, &v1, &context));
        EXPECT_TRUE(WaitUntil([&] { return s->IsComplete(); })) << z;
        return s;
    }

    static const float* At(const float* array, const AGridSurface& s, int32_t iu, int32_t iv)
    {
        return array + 3 * (iu * s.GridSize() + iv) * s.Copies();
    }

    // Every triangle uses defined points only.
    static void ExpectNoSpikes(const AGridSurface& s)
    {
        for (int32_t k = 0; k < 3 * s.TriangleCount(); ++k)
            EXPECT_TRUE(s.Defined()[s.Triangles()[k] / s.Copies()]) << k;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    double u0 = -1, u1 = 1, v0 = -1, v1 = 1;
};

TEST(GridSurfaceSize, FollowsTheResolution)
{
    const struct {
        double resolution;
        int32_t n;
    } cases[] = {{0, 5}, {0.5, 42}, {1, 79}, {-3, 5}, {NAN, 42}, {1e9, 2048}};
    for (const auto& c : cases)
        EXPECT_EQ(GridSurfaceSize(c.resolution), c.n) << c.resolution;
}

// On a 2 x 2 grid (flat index iu 2 + iv): P00 = 0, P01 = 1, P10 = 2, P11 = 3.
TEST(QuadTriangles, ThreeCornerCasesLeaveTheMissingCornerOut)
{
    const struct {
        uint8_t defined[4];
        int32_t count;
        int32_t triangles[6];
    } cases[] = {
        {{1, 1, 1, 1}, 2, {0, 3, 1, 0, 2, 3}},
        {{0, 1, 1, 1}, 1, {1, 2, 3}},
        {{1, 0, 1, 1}, 1, {0, 2, 3}},
        {{1, 1, 0, 1}, 1, {0, 3, 1}},
        {{1, 1, 1, 0}, 1, {0, 2, 1}},
        {{1, 1, 0, 0}, 0, {}},
        {{0, 0, 0, 1}, 0, {}},
    };
    for (const auto& c : cases) {
        int32_t out[6] = {};
        ASSERT_EQ(QuadTriangles(c.defined, 2, 0, 0, out), c.count);
        for (int32_t k = 0; k < 3 * c.count; ++k)
            EXPECT_EQ(out[k], c.triangles[k]);
    }
}

TEST_F(GridSurface, PlaneNormalsKeepTheirOrientationToTheLastRowAndColumn)
{
    // The plane z = u + 2 v: u tangent x v tangent is (-1, -2, 1).
    for (int32_t mode : {0, 1}) {
        auto s = Make("u", "v", "u+2*v", 0, mode);
        EXPECT_EQ(s->HasDerivatives(), mode == 1);
        const int32_t n = s->GridSize();
        for (int32_t iu = 0; iu < n; ++iu) {
            for (int32_t iv = 0; iv < n; ++iv) {
                const float* m = At(s->Normals(), *s, iu, iv);
                const double len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
                ASSERT_GT(len, 0);
                EXPECT_NEAR(m[0] / len, -1 / std::sqrt(6.0), 1e-5) << mode << " " << iu << " " << iv;
                EXPECT_NEAR(m[1] / len, -2 / std::sqrt(6.0), 1e-5);
                EXPECT_NEAR(m[2] / len, 1 / std::sqrt(6.0), 1e-5);
            }
        }
        EXPECT_EQ(s->TriangleCount(), 2 * (n - 1) * (n - 1));
        EXPECT_EQ(s->GetStatus(), MessageNone);
    }
}

TEST_F(GridSurface, SphereNormalsPointTheSameWayEverywhereIncludingThePoles)
{
    // u tangent x v tangent of this sphere points inwards; at the poles the
    // symbolic normal vanishes and the neighbours (the diagonal where the
    // points coincide) supply it.
    u0 = 0, u1 = 2 * M_PI, v0 = 0, v1 = M_PI;
    for (int32_t mode : {0, 1}) {
        auto s = Make("sin(v)*cos(u)", "sin(v)*sin(u)", "cos(v)", 0.2, mode);
        const int32_t n = s->GridSize();
        for (int32_t iu = 0; iu < n; ++iu) {
            for (int32_t iv = 0; iv < n; ++iv) {
                const float* p = At(s->Positions(), *s, iu, iv);
                const float* m = At(s->Normals(), *s, iu, iv);
                const double len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
                ASSERT_GT(len, 0) << mode << " " << iu << " " << iv;
                EXPECT_LT((p[0] * m[0] + p[1] * m[1] + p[2] * m[2]) / len, -0.5) << mode << " " << iu << " " << iv;
            }
        }
    }
}

TEST_F(GridSurface, PerPointConditionClipsHalfTheGrid)
{
    // u = -1, -0.5, 0, 0.5, 1: only the last two columns satisfy x > 0.
    auto s = Make("u", "v", "0", 0, 0, "x>0");
    EXPECT_FALSE(s->ClipPlaneActive());
    for (int32_t g = 0; g < 25; ++g)
        EXPECT_EQ(s->Defined()[g], g >= 15) << g;
    EXPECT_EQ(s->TriangleCount(), 8);
    ExpectNoSpikes(*s);

    auto never = Make("u", "v", "0", 0, 0, "z>5");
    EXPECT_EQ(never->TriangleCount(), 0);
    EXPECT_EQ(never->GetStatus(), MessageUndefinedOrInfiniteForRanges);
}

TEST_F(GridSurface, LinearConditionIsAClipPlaneInOpenGLAndPerPointOtherwise)
{
    context.mode = RenderModeGLWindow;
    auto s = Make("u", "v", "0", 0, 0, "x>0");
    EXPECT_TRUE(s->ClipPlaneActive());
    EXPECT_EQ(s->ClipPlane()[0], 1);
    EXPECT_EQ(s->TriangleCount(), 32);
    // The view turned software: the plane would clip nothing there, so the
    // condition is tested per point again.
    s->SetOption(OptionUploadMesh, 0);
    context.mode = RenderModeSoftware;
    s->Draw();
    ASSERT_TRUE(WaitUntil([&] { return s->IsComplete(); }));
    EXPECT_FALSE(s->ClipPlaneActive());
    EXPECT_EQ(s->TriangleCount(), 8);
    context.mode = RenderModeNone;
}

TEST_F(GridSurface, UndefinedPointsLeaveHolesNotSpikes)
{
    // Infinite at the centre of the 5 x 5 grid: its four quads keep one
    // triangle each.
    auto s = Make("u", "v", "1/(u^2+v^2)");
    EXPECT_FALSE(s->Defined()[12]);
    EXPECT_EQ(s->TriangleCount(), 12 * 2 + 4);
    ExpectNoSpikes(*s);

    auto nowhere = Make("u", "v", "sqrt(~1-u^2)");
    EXPECT_EQ(nowhere->TriangleCount(), 0);
    EXPECT_EQ(nowhere->GetStatus(), MessageUndefinedOrInfiniteForRanges);
}

TEST_F(GridSurface, PatternsDuplicateVerticesAndPickOneCopyPerQuad)
{
    auto s = Make("u", "v", "0", 0, 0, nullptr, ColorCheckerboard);
    ASSERT_EQ(s->Copies(), 2);
    EXPECT_FLOAT_EQ(s->Colors()[0], 0.3f);
    EXPECT_FLOAT_EQ(s->Colors()[3], 1.0f);
    const int32_t n = s->GridSize();
    for (int32_t t = 0; t < s->TriangleCount(); ++t) {
        const int32_t quad = t / 2, a = quad / (n - 1), b = quad % (n - 1);
        for (int32_t k = 0; k < 3; ++k)
            EXPECT_EQ(s->Triangles()[3 * t + k] % 2, (a + b) % 2) << t;
    }
    // Row bands: strip a shows one hue on all four corners.
    auto bands = Make("u", "v", "0", 0, 0, nullptr, ColorRowBands);
    for (int32_t t = 0; t < bands->TriangleCount(); ++t) {
        std::set<std::array<float, 3>> hues;
        for (int32_t k = 0; k < 3; ++k) {
            const float* c = bands->Colors() + 3 * bands->Triangles()[3 * t + k];
            hues.insert({c[0], c[1], c[2]});
        }
        EXPECT_EQ(hues.size(), 1u) << t;
    }
}

TEST_F(GridSurface, OptionsReloadResizeAndRecolour)
{
    auto s = Make("u", "v", "u*v");
    s->SetOption(OptionUploadMesh, 0);
    EXPECT_NE(s->Mesh().state, MeshEmpty);
    EXPECT_EQ(s->Mesh().triangleCount, s->TriangleCount());

    s->SetOption(OptionResolution, 0.5);
    ASSERT_TRUE(WaitUntil([&] { return s->IsComplete(); }));
    EXPECT_EQ(s->GridSize(), 42);
    EXPECT_EQ(s->TriangleCount(), 2 * 41 * 41);

    // Solid to solid recomputes nothing; to a pattern it does, and loads.
    s->SetOption(OptionColor, 3);
    EXPECT_EQ(s->Copies(), 1);
    s->SetOption(OptionColor, 10);
    EXPECT_TRUE(s->IsComplete());
    EXPECT_EQ(s->Copies(), 2);
    EXPECT_EQ(s->Mesh().vertexCount, 2u * 42 * 42);
}

}  // namespace
