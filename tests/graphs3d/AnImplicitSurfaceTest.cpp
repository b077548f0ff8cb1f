#include "graphs3d/AnImplicitSurface.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ImplicitPolygoniser.h"
#include "rendering/ViewRenderContext.h"
#include "support/EvaluationFixture.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace {

TEST(ImplicitSurfaceGrid, CellsPerAxisAndSlabs)
{
    const struct {
        double resolution;
        int32_t cells;
    } cells[] = {{0, 4}, {0.5, 22}, {1, 40}, {0.25, 13}, {NAN, 4}, {-5, 4}};
    for (const auto& c : cells)
        EXPECT_EQ(ImplicitCellCount(c.resolution), c.cells) << c.resolution;

    // 22 layers over 8 parts: slabs of 3, the last one short; 4 layers over
    // 16 parts: the parts past the fourth are empty.
    const struct {
        int32_t C, P, p, first, end;
    } slabs[] = {{22, 8, 0, 0, 3}, {22, 8, 7, 21, 22}, {4, 16, 3, 3, 4}, {4, 16, 4, 4, 4}, {4, 16, 15, 4, 4}};
    for (const auto& s : slabs) {
        int32_t first = -1, end = -1;
        ImplicitPartLayers(s.C, s.P, s.p, first, end);
        EXPECT_EQ(first, s.first) << s.C << " " << s.P << " " << s.p;
        EXPECT_EQ(end, s.end) << s.C << " " << s.P << " " << s.p;
    }

    // Only an interval strictly on one side of 0 rules a sign change out.
    EXPECT_FALSE(IntervalMayChangeSign(1, 2));
    EXPECT_FALSE(IntervalMayChangeSign(-2, -1));
    EXPECT_TRUE(IntervalMayChangeSign(0, 2));
    EXPECT_TRUE(IntervalMayChangeSign(-1, 0));
    EXPECT_TRUE(IntervalMayChangeSign(NAN, 2));
    EXPECT_TRUE(IntervalMayChangeSign(2, 1));  // exterior
}

class ImplicitSurfaceTest : public EvaluationTest {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        EvaluationTest::SetUp();
        context_.reset(CreateRenderContext());
    }

    void TearDown() override
    {
        SetProcessorCountOverride(0);
        EvaluationTest::TearDown();
    }

    AGraphColor* SolidColour() { return new AGraphColor(context_.get(), &doc); }

    // Red from a parameter the surface itself does not read.
    AGraphColor* FormulaColour()
    {
        AGraphColor* colour = SolidColour();
        colour->red = new CompiledFormula(ReadFormula("a"), &doc);
        colour->green = new CompiledFormula(ReadFormula("x^2/4"), &doc);
        colour->blue = new CompiledFormula(ReadFormula("0"), &doc);
        colour->kind = ColorRgbFormulas;
        return colour;
    }

    std::unique_ptr<AnImplicitSurface> Surface(const char* text, double resolution, int32_t parts,
                                               AGraphColor* colour = nullptr)
    {
        SetProcessorCountOverride(parts);
        return std::make_unique<AnImplicitSurface>(new CompiledFormula(ReadFormula(text), &doc), resolution, 1,
                                                   colour ? colour : SolidColour(), nullptr, 1, &box_[0], &box_[1],
                                                   &box_[2], &box_[3], &box_[4], &box_[5], context_.get());
    }

    FakeGraphServices services_;
    std::unique_ptr<ViewRenderContext> context_;
    double box_[6] = {-2, 2, -2, 2, -2, 2};
};

// Each undirected edge of one slab and how many triangles use it.
std::map<std::pair<int32_t, int32_t>, int32_t> EdgeUses(const MeshTriangleArray& triangles)
{
    std::map<std::pair<int32_t, int32_t>, int32_t> uses;
    for (int32_t i = 0; i < triangles.count; ++i) {
        const MeshTriangle& t = *triangles.At(i);
        for (int32_t e = 0; e < 3; ++e) {
            const int32_t a = t.v[e], b = t.v[(e + 1) % 3];
            uses[{std::min(a, b), std::max(a, b)}]++;
        }
    }
    return uses;
}

// A sphere over four slabs: each slab is closed except along its cut
// planes, every vertex lies on the sphere, and the layers above and below
// it were skipped without changing the mesh the whole box gives at once.
TEST_F(ImplicitSurfaceTest, SphereSlabsAreClosedAndSkippedLayersChangeNothing)
{
    box_[4] = -4, box_[5] = 4;
    auto surface = Surface("x^2+y^2+z^2-1.5^2", 0.5, 2);
    ASSERT_EQ(surface->PartCount(), 4);
    ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
    EXPECT_EQ(surface->GetStatus(), 0);
    const int32_t C = surface->CellCount();
    ASSERT_EQ(C, 22);
    const double dz = 8.0 / C;
    int64_t triangles = 0;
    for (int32_t p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        const MeshVertexArray& v = surface->PublishedVertices(p);
        const MeshTriangleArray& t = surface->PublishedTriangles(p);
        triangles += t.count;
        int32_t first = 0, end = 0;
        ImplicitPartLayers(C, 4, p, first, end);
        auto onCut = [&](int32_t i) {
            const double z = v.At(i)->position[2];
            return std::fabs(z - (-4 + first * dz)) < 1e-5 || std::fabs(z - (-4 + end * dz)) < 1e-5;
        };
        for (const auto& [edge, count] : EdgeUses(t)) {
            if (count != 2) {
                ASSERT_EQ(count, 1);
                EXPECT_TRUE(onCut(edge.first) && onCut(edge.second)) << "open edge inside the slab";
            }
        }
        for (int32_t i = 0; i < v.count; ++i) {
            const float* q = v.At(i)->position;
            EXPECT_NEAR(std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]), 1.5, 0.03);
        }
    }
    // The first and last slabs lie beyond |z| = 1.5.
    EXPECT_EQ(surface->PublishedTriangles(0).count + surface->PublishedTriangles(3).count, 0);
    EXPECT_GT(triangles, 500);
    EXPECT_EQ(surface->CellsInSlabs(), int64_t(C) * C * C);
    // |z| > 1.5 of [-4, 4]: more than half the layers hold nothing.
    EXPECT_GT(surface->CellsSkipped(), surface->CellsInSlabs() / 2);

    // The same box in one piece, every layer visited.
    std::unique_ptr<CompiledFormula> owned(new CompiledFormula(ReadFormula("x^2+y^2+z^2-1.5^2"), &doc));
    CompiledFormula* f = owned.get();
    std::unique_ptr<GridProgramSet> set(LinkGridFormula(f));
    CompileFormula(f);
    GridEvalState corners, centres;
    ImplicitPolygoniser whole;
    whole.Init(f, nullptr, nullptr, nullptr, nullptr, set.get(), set.get(), &corners, &centres, -2, 2, -2, 2, -4, 4, C,
               C);
    ASSERT_TRUE(whole.PrepareGrids());
    MeshVertexArray wv = {};
    MeshTriangleArray wt = {};
    while (!whole.IsFinished())
        ASSERT_EQ(whole.RunSlice(&wv, &wt, ClockMilliseconds() + 60000), 0);
    EXPECT_EQ(wt.count, triangles);
    wv.Clear();
    wt.Clear();
}

// The extra parts of a coarse grid finish at once with nothing, and the
// surface is published only by the last part to finish, whichever it is.
TEST_F(ImplicitSurfaceTest, MorePartsThanLayersPublishOnlyWhenAllAreDone)
{
    StopWorkerPool();
    auto surface = Surface("x^2+y^2+z^2-2.25", 0, 8);
    ASSERT_EQ(surface->PartCount(), 16);
    for (int32_t p = 15; p >= 1; --p) {
        EXPECT_EQ(surface->ComputeChunk(p), GraphJobDone);
        EXPECT_FALSE(surface->IsComplete());
        EXPECT_FALSE(surface->IsUploadHeld());
    }
    EXPECT_EQ(surface->ComputeChunk(0), GraphJobDone);
    EXPECT_TRUE(surface->IsComplete());
    EXPECT_TRUE(surface->IsUploadHeld());
    for (int32_t p = 4; p < 16; ++p)
        EXPECT_EQ(surface->PublishedTriangles(p).count, 0) << p;
    for (int32_t p = 0; p < 4; ++p)
        EXPECT_GT(surface->PublishedTriangles(p).count, 0) << p;
    // Loading gives the hold back.
    surface->SetOption(OptionUploadProgress, 0);
    EXPECT_FALSE(surface->IsUploadHeld());
    EXPECT_EQ(surface->Mesh().triangleCount, surface->CountPublishedTriangles());
    surface.reset();
    StartGraphWorkers();
}

TEST_F(ImplicitSurfaceTest, NoSurfaceReportsWhyFromTheIntervalTests)
{
    const struct {
        const char* f;
        int32_t status;
    } cases[] = {
        {"x^2+y^2+z^2+1", 6},         // positive everywhere
        {"(x-10)^2+y^2+z^2-1", 12},   // positive over the box
        {"x*x-x*x+1", 13},            // the intervals cannot tell
        {"x^2+y^2+z^2-1", 0},
    };
    for (const auto& c : cases) {
        auto surface = Surface(c.f, 0, 2);
        ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); })) << c.f;
        EXPECT_EQ(surface->GetStatus(), c.status) << c.f;
        EXPECT_EQ(surface->CountPublishedTriangles() == 0, c.status != 0) << c.f;
    }
}

// A change that only the colour reads recomputes the colours from the
// published vertices; the load then replaces the colours alone.
TEST_F(ImplicitSurfaceTest, ColourOnlyRunKeepsTheGeometryAndLoadsColoursOnly)
{
    auto surface = Surface("x^2+y^2+z^2-1", 0.25, 2, FormulaColour());
    ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
    ASSERT_TRUE(surface->IsMeshPending());
    surface->SetOption(OptionUploadProgress, 0);
    ASSERT_GT(surface->Mesh().vertexCount, 0u);
    ASSERT_NE(surface->Mesh().colors, nullptr);
    const float* positions = surface->Mesh().positions;
    const MeshTriangle* firstTriangle = surface->PublishedTriangles(0).At(0);
    const int32_t geometry = surface->GeometryPasses(), colours = surface->ColorPasses();
    // Green follows x: the loaded colour of the first vertex says so.
    const float x0 = surface->PublishedVertices(0).At(0)->position[0];
    EXPECT_NEAR(surface->Mesh().colors[1], x0 * x0 / 4, 1e-6);

    surface->VariableChanged('a');
    ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
    EXPECT_EQ(surface->GeometryPasses(), geometry);
    EXPECT_EQ(surface->ColorPasses(), colours + 1);
    EXPECT_EQ(surface->PublishedTriangles(0).At(0), firstTriangle);
    EXPECT_FALSE(surface->IsMeshPending());
    EXPECT_TRUE(surface->IsColorPending());
    surface->SetOption(OptionUploadProgress, 0);
    EXPECT_FALSE(surface->IsColorPending());
    EXPECT_FALSE(surface->IsUploadHeld());
    EXPECT_EQ(surface->Mesh().positions, positions);
    EXPECT_NE(surface->Mesh().colors, nullptr);

    // A change of F's own variables recomputes everything.
    surface->VariableChanged('x');
    ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
    EXPECT_EQ(surface->GeometryPasses(), geometry + 1);
    EXPECT_TRUE(surface->IsMeshPending());
}

// A run that finishes while the last publication is still not loaded
// waits; Stop then neither hangs nor leaves the hold taken, and the next
// run publishes and is loaded as usual.
TEST_F(ImplicitSurfaceTest, StopDuringThePublicationWaitKeepsTheHoldSound)
{
    auto surface = Surface("x^2+y^2+z^2-1", 0.25, 2, FormulaColour());
    ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
    ASSERT_TRUE(surface->IsUploadHeld());
    // A run started without a stop keeps the unloaded publication's hold.
    surface->Start();
    ASSERT_TRUE(WaitUntil([&] { return surface->AllPartsDone(); }));
    EXPECT_FALSE(WaitUntil([&] { return !surface->IsUploadHeld(); }, 0.05));
    surface->Stop();
    EXPECT_FALSE(surface->IsUploadHeld());

    surface->Restart();
    ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
    EXPECT_TRUE(surface->IsUploadHeld());
    surface->SetOption(OptionUploadProgress, 0);
    EXPECT_FALSE(surface->IsUploadHeld());
    EXPECT_EQ(surface->Mesh().triangleCount, surface->CountPublishedTriangles());
}

}  // namespace
