#include "graphs3d/AGridSurface4D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/AGridSurface.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class GridSurface4D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        SetBox({-2, -2, -2, -2}, {2, 2, 2, 2});
    }

    void SetBox(std::initializer_list<double> lo, std::initializer_list<double> hi)
    {
        Box4D b{};
        std::copy(lo.begin(), lo.end(), b.min);
        std::copy(hi.begin(), hi.end(), b.max);
        Project(b);
    }
    // The projection of the rotation with the box; no view, so the
    // surface takes the projection's own copy of the box.
    void Project(const Box4D& b, const Matrix4* rotation = nullptr)
    {
        Matrix4 identity;
        SetIdentity4(identity);
        ComputeProjection4D(projection, rotation ? *rotation : identity, 2.3, b);
        projection.owner = nullptr;
    }

    CompiledFormula* Formula(const char* text) { return new CompiledFormula(ReadFormula(text), &doc); }

    std::unique_ptr<AGridSurface4D> Make(const char* x, const char* y, const char* z, const char* w,
                                         double resolution = 0, const char* condition = nullptr,
                                         int32_t kind = ColorSolid)
    {
        auto* colour = new AGraphColor(&context, &doc);
        colour->kind = kind;
        std::unique_ptr<AGridSurface4D> s(new AGridSurface4D(Formula(x), Formula(y), Formula(z), Formula(w),
                                                             resolution, 1, colour,
                                                             condition ? Formula(condition) : nullptr, &u0, &u1,
                                                             &v0, &v1, &context, &projection));
        EXPECT_TRUE(WaitUntil([&] { return s->IsComplete(); })) << x;
        return s;
    }

    static int32_t DefinedCount(const AGridSurface4D& s)
    {
        int32_t count = 0;
        for (int32_t g = 0; g < s.GridSize() * s.GridSize(); ++g)
            count += s.Defined()[g];
        return count;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    Projection4D projection{};
    double u0 = -1, u1 = 1, v0 = -1, v1 = 1;
};

TEST_F(GridSurface4D, PointsAreNormalisedOnceAndTheExtentIsTheLargestNorm)
{
    auto s = Make("u", "v", "u+v", "2*u*v", 0.5);
    ASSERT_EQ(s->GridSize(), 42);
    EXPECT_TRUE(s->HasDerivatives());
    const int32_t n = s->GridSize();
    // Grid point (iu, iv) = (n - 1, 0): u = 1, v = -1.
    const double* p = s->Points() + 4 * ((n - 1) * n);
    EXPECT_DOUBLE_EQ(p[0], 0.5);
    EXPECT_DOUBLE_EQ(p[1], -0.5);
    EXPECT_DOUBLE_EQ(p[2], 0);
    EXPECT_DOUBLE_EQ(p[3], -1);
    // (1, 1): (0.5, 0.5, 1, 1).
    EXPECT_NEAR(s->GetExtent(), std::sqrt(2.5), 1e-12);
    EXPECT_EQ(s->GetStatus(), MessageNone);
    EXPECT_EQ(DefinedCount(*s), n * n);
}

TEST_F(GridSurface4D, UndefinedEverywhereOrAFalseConditionGivesStatus11AndNoGeometry)
{
    const struct {
        const char* x;
        const char* condition;
    } cases[] = {{"sqrt(-1-u*u)", nullptr}, {"1/0", nullptr}, {"u", "u>5"}};
    for (const auto& c : cases) {
        auto s = Make(c.x, "v", "u", "v", 0, c.condition);
        EXPECT_EQ(s->GetStatus(), MessageUndefinedOrInfiniteForRanges) << c.x;
        EXPECT_EQ(s->GetExtent(), 0) << c.x;
        EXPECT_TRUE(s->Draw());
        EXPECT_EQ(s->TriangleCount(), 0) << c.x;
    }
    // A box side of no width makes every point a hole.
    SetBox({-2, -2, 1, -2}, {2, 2, 1, 2});
    auto flat = Make("u", "v", "u", "v");
    EXPECT_EQ(flat->GetStatus(), MessageUndefinedOrInfiniteForRanges);
}

TEST_F(GridSurface4D, TheConditionSeesTheFourthCoordinateAsW)
{
    auto s = Make("u", "v", "0", "v", 0, "w>0");
    const int32_t n = s->GridSize();
    for (int32_t iu = 0; iu < n; ++iu)
        for (int32_t iv = 0; iv < n; ++iv)
            EXPECT_EQ(s->Defined()[iu * n + iv], iv > n / 2) << iu << " " << iv;
    s->Draw();
    // Two defined columns of v: one strip of quads.
    EXPECT_EQ(s->TriangleCount(), 2 * (n - 1) * (n / 2 - 1));
}

// Normals come from the tangents in the box's own units: on a box whose
// sides differ they stay at right angles to the projected surface, for
// every rotation, and turning recomputes nothing.
TEST_F(GridSurface4D, NormalsStayPerpendicularToTheProjectedSurfaceInAStretchedBoxAsTheViewTurns)
{
    SetBox({-2, -2, -20, -2}, {2, 2, 20, 2});
    auto s = Make("u", "v", "u+v", "u*v", 0.2);
    const int32_t n = s->GridSize();
    Matrix4 turned, step;
    SetIdentity4(turned);
    for (int k = 0; k < 3; ++k) {
        s->Draw();
        for (int32_t iu = 0; iu + 1 < n; ++iu) {
            for (int32_t iv = 0; iv + 1 < n; ++iv) {
                const float* p = s->Positions() + 3 * (iu * n + iv);
                const float* pu = s->Positions() + 3 * ((iu + 1) * n + iv);
                const float* pv = s->Positions() + 3 * (iu * n + iv + 1);
                const float* m = s->Normals() + 3 * (iu * n + iv);
                const double length = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
                ASSERT_NEAR(length, 1, 1e-5);
                double du[3], dv[3];
                for (int i = 0; i < 3; ++i)
                    du[i] = pu[i] - p[i], dv[i] = pv[i] - p[i];
                const double ldu = std::sqrt(du[0] * du[0] + du[1] * du[1] + du[2] * du[2]);
                const double ldv = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
                // u*v is linear along u and along v: the grid steps are
                // tangents.
                EXPECT_NEAR((m[0] * du[0] + m[1] * du[1] + m[2] * du[2]) / ldu, 0, 1e-4) << k << " " << iu;
                EXPECT_NEAR((m[0] * dv[0] + m[1] * dv[1] + m[2] * dv[2]) / ldv, 0, 1e-4) << k << " " << iv;
            }
        }
        // Turn by 30 degrees in xu, then in yv, and project again.
        SetIdentity4(step);
        step.m[0][0] = step.m[2][2] = step.m[1][1] = step.m[3][3] = std::cos(M_PI / 6);
        step.m[0][2] = step.m[1][3] = std::sin(M_PI / 6);
        step.m[2][0] = step.m[3][1] = -std::sin(M_PI / 6);
        MultiplyMatrix4(step, turned, turned);
        Project(s->BoxInUse(), &turned);
        EXPECT_TRUE(s->IsComplete()) << "a turn never recomputes";
    }
}

TEST_F(GridSurface4D, ColourChangesRecomputeOnlyWhenTheKindChangesAndNeverRaceTheWorker)
{
    auto s = Make("u", "v", "u*u", "v*v", 1);
    // Solid to solid: the frame reads the colour, nothing recomputes.
    s->SetOption(OptionColor, 3);
    EXPECT_TRUE(s->IsComplete());
    EXPECT_EQ(s->Copies(), 1);
    // To a pattern while a computation may be running, and back.
    for (int round = 0; round < 3; ++round) {
        s->SetOption(OptionResolution, 1);
        s->SetOption(OptionColor, 10);  // checkerboard: two copies, colours
        ASSERT_TRUE(WaitUntil([&] { return s->IsComplete(); }));
        EXPECT_EQ(s->Copies(), 2);
        ASSERT_NE(s->Colors(), nullptr);
        s->Draw();
        EXPECT_EQ(s->TriangleCount(), 2 * 78 * 78);
        s->SetOption(OptionResolution, 1);
        s->SetOption(OptionColor, 13);  // row gradient
        s->SetOption(OptionColor, 2);
        ASSERT_TRUE(WaitUntil([&] { return s->IsComplete(); }));
        EXPECT_EQ(s->Copies(), 1);
    }
    s->SetOption(OptionColor, 17);  // hidden
    ASSERT_TRUE(WaitUntil([&] { return s->IsComplete(); }));
    EXPECT_TRUE(s->Draw());
}

TEST_F(GridSurface4D, ARangeChangeRestartsAndTheNewPointsFollowIt)
{
    auto s = Make("u", "v", "0", "0");
    u1 = 3;
    s->Restart();
    ASSERT_TRUE(WaitUntil([&] { return s->IsComplete(); }));
    const int32_t n = s->GridSize();
    EXPECT_DOUBLE_EQ(s->Points()[4 * ((n - 1) * n)], 1.5);
    EXPECT_EQ(s->GetStatus(), MessageNone);
}

}  // namespace
