#include "graphs3d/ImplicitPolygoniser.h"

#include "CoreUtilities/Clock.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "support/BudgetRefusal.h"
#include "support/EvaluationFixture.h"
#include "support/FormulaReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct Box {
    double x0, x1, y0, y1, z0, z1;
};

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<MeshTriangle> triangles;
};

class ImplicitPolygoniserTest : public EvaluationTest {
protected:
    CompiledFormula* Infix(const char* text)
    {
        owned_.emplace_back(new CompiledFormula(ReadFormula(text), &doc));
        return owned_.back().get();
    }

    // F linked for the grids and compiled for points, with its partials
    // when asked.
    void Prepare(const char* text, bool partials)
    {
        f_ = Infix(text);
        set_.reset(LinkGridFormula(f_));
        ASSERT_NE(set_, nullptr);
        fx_ = fy_ = fz_ = nullptr;
        if (partials) {
            owned_.emplace_back(f_->MakeDerivative('x'));
            fx_ = owned_.back().get();
            owned_.emplace_back(f_->MakeDerivative('y'));
            fy_ = owned_.back().get();
            owned_.emplace_back(f_->MakeDerivative('z'));
            fz_ = owned_.back().get();
            CompileFormulas4(f_, fx_, fy_, fz_);
        } else {
            CompileFormula(f_);
        }
    }

    // The slab's mesh, in slices that end at the deadline (0 asks for one
    // slice per 32 cells).
    Mesh Run(const Box& b, int32_t n, int32_t m, bool sliced, CompiledFormula* condition = nullptr)
    {
        GridEvalState corners, centres;
        ImplicitPolygoniser p;
        p.Init(f_, fx_, fy_, fz_, condition, set_.get(), set_.get(), &corners, &centres, b.x0, b.x1, b.y0, b.y1, b.z0,
               b.z1, n, m);
        EXPECT_TRUE(p.IsReady());
        EXPECT_TRUE(p.PrepareGrids());
        MeshVertexArray vertices = {};
        MeshTriangleArray triangles = {};
        int32_t slices = 0;
        while (!p.IsFinished() && slices < 100000) {
            const uint32_t deadline = sliced ? ClockMilliseconds() - 1 : ClockMilliseconds() + 600000;
            EXPECT_EQ(p.RunSlice(&vertices, &triangles, deadline), 0);
            ++slices;
        }
        if (sliced) {
            EXPECT_GT(slices, 1);
        }
        Mesh mesh;
        for (int32_t i = 0; i < vertices.count; ++i)
            mesh.vertices.push_back(*vertices.At(i));
        for (int32_t i = 0; i < triangles.count; ++i)
            mesh.triangles.push_back(*triangles.At(i));
        vertices.Clear();
        triangles.Clear();
        return mesh;
    }

    CompiledFormula* f_ = nullptr;
    CompiledFormula *fx_ = nullptr, *fy_ = nullptr, *fz_ = nullptr;
    std::unique_ptr<GridProgramSet> set_;
    std::vector<std::unique_ptr<CompiledFormula>> owned_;
};

// Every undirected edge and how many triangles use it.
std::map<std::pair<int32_t, int32_t>, int32_t> EdgeUses(const Mesh& mesh)
{
    std::map<std::pair<int32_t, int32_t>, int32_t> uses;
    for (const MeshTriangle& t : mesh.triangles) {
        for (int32_t e = 0; e < 3; ++e) {
            int32_t a = t.v[e], b = t.v[(e + 1) % 3];
            uses[{std::min(a, b), std::max(a, b)}]++;
        }
    }
    return uses;
}

double NormalLength(const MeshVertex& v)
{
    return std::sqrt(double(v.normal[0]) * v.normal[0] + double(v.normal[1]) * v.normal[1] +
                     double(v.normal[2]) * v.normal[2]);
}

// Closed surfaces whose mesh must be welded into a closed manifold of the
// right Euler characteristic, every triangle facing the way F grows, every
// vertex near the surface with a unit normal.
TEST_F(ImplicitPolygoniserTest, ClosedSurfacesAreWeldedOrientedAndOnTheSurface)
{
    struct Case {
        const char* f;
        Box box;
        int32_t n, m;
        bool partials;
        int32_t euler;
    } cases[] = {
        {"x^2+y^2+z^2-1", {-1.5, 1.5, -1.5, 1.5, -1.5, 1.5}, 10, 10, true, 2},
        {"x^2+y^2+z^2-1", {-1.5, 1.5, -1.5, 1.5, -1.5, 1.5}, 9, 12, false, 2},
        // Cells longer in z than in x and y: the difference normals must
        // still face outwards.
        {"(sqrt(x^2+y^2)-1)^2+z^2-0.25", {-2, 2, -2, 2, -1, 1}, 24, 7, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f);
        Prepare(c.f, c.partials);
        const Mesh mesh = Run(c.box, c.n, c.m, false);
        ASSERT_GT(mesh.triangles.size(), 50u);
        const auto uses = EdgeUses(mesh);
        for (const auto& [edge, count] : uses)
            EXPECT_EQ(count, 2) << edge.first << "-" << edge.second;
        const int64_t euler = static_cast<int64_t>(mesh.vertices.size()) - static_cast<int64_t>(uses.size()) +
                              static_cast<int64_t>(mesh.triangles.size());
        EXPECT_EQ(euler, c.euler);
        const double cell = (c.box.x1 - c.box.x0) / c.n;
        for (const MeshVertex& v : mesh.vertices) {
            EXPECT_LT(std::fabs(f_->EvaluateAtUVXYZW(0, 0, v.position[0], v.position[1], v.position[2], 0)),
                      0.05 * cell);
            EXPECT_NEAR(NormalLength(v), 1, 1e-5);
        }
        for (const MeshTriangle& t : mesh.triangles) {
            const MeshVertex &a = mesh.vertices[t.v[0]], &b = mesh.vertices[t.v[1]], &d = mesh.vertices[t.v[2]];
            const double u[3] = {b.position[0] - a.position[0], b.position[1] - a.position[1],
                                 b.position[2] - a.position[2]},
                         w[3] = {d.position[0] - a.position[0], d.position[1] - a.position[1],
                                 d.position[2] - a.position[2]};
            const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
            // Outwards: the sphere's and the torus' gradients point away
            // from the centre line.
            const double px = (a.position[0] + b.position[0] + d.position[0]) / 3,
                         py = (a.position[1] + b.position[1] + d.position[1]) / 3,
                         pz = (a.position[2] + b.position[2] + d.position[2]) / 3;
            double outward[3] = {px, py, pz};
            if (c.euler == 0) {
                const double r = std::sqrt(px * px + py * py);
                outward[0] = px - px / r;
                outward[1] = py - py / r;
            }
            EXPECT_GT(n[0] * outward[0] + n[1] * outward[1] + n[2] * outward[2], 0);
        }
    }
}

// Slices that end mid-row, at a row's end and at a layer's end resume at
// the next cell: the mesh is the one an unbroken run makes.
TEST_F(ImplicitPolygoniserTest, SlicedRunsMakeTheSameMesh)
{
    Prepare("x^2+y^2+z^2-1", false);
    for (int32_t n : {10, 8, 4}) {
        SCOPED_TRACE(n);
        const Box box = {-1.2, 1.3, -1.25, 1.2, -1.1, 1.3};
        const Mesh whole = Run(box, n, n, false);
        const Mesh sliced = Run(box, n, n, true);
        ASSERT_EQ(whole.vertices.size(), sliced.vertices.size());
        ASSERT_EQ(whole.triangles.size(), sliced.triangles.size());
        EXPECT_EQ(
            std::memcmp(whole.vertices.data(), sliced.vertices.data(), whole.vertices.size() * sizeof(MeshVertex)), 0);
        EXPECT_EQ(std::memcmp(whole.triangles.data(), sliced.triangles.data(),
                              whole.triangles.size() * sizeof(MeshTriangle)),
                  0);
    }
}

// Two slabs make the cells of one: the same triangles, the vertices of the
// common layer computed by both.
TEST_F(ImplicitPolygoniserTest, SlabsTogetherMakeTheWholeBox)
{
    Prepare("x^2+y^2+z^2-1", true);
    const Mesh whole = Run({-1.5, 1.5, -1.5, 1.5, -1.5, 1.5}, 10, 10, false);
    const Mesh lower = Run({-1.5, 1.5, -1.5, 1.5, -1.5, 0}, 10, 5, false);
    const Mesh upper = Run({-1.5, 1.5, -1.5, 1.5, 0, 1.5}, 10, 5, false);
    EXPECT_EQ(lower.triangles.size() + upper.triangles.size(), whole.triangles.size());
    EXPECT_GT(lower.vertices.size() + upper.vertices.size(), whole.vertices.size());
}

// Zero counts as not negative: a corner where F is exactly 0 carries the
// vertices of its edges to negative points, and none lies elsewhere.
TEST_F(ImplicitPolygoniserTest, AZeroCornerIsItselfTheCrossing)
{
    Prepare("x", false);
    const Mesh mesh = Run({-1, 1, -1, 1, -1, 1}, 2, 2, false);
    ASSERT_FALSE(mesh.vertices.empty());
    for (const MeshVertex& v : mesh.vertices)
        EXPECT_EQ(v.position[0], 0);
}

// Where F is undefined, or the condition fails, edges get no vertex: the
// mesh has a hole there, never a vertex off the surface.
TEST_F(ImplicitPolygoniserTest, UndefinedValuesAndFailedConditionsLeaveHoles)
{
    Prepare("x^2+y^2+z^2-1", false);
    const Box box = {-1.5, 1.5, -1.5, 1.5, -1.5, 1.5};
    const size_t full = Run(box, 10, 10, false).triangles.size();
    CompiledFormula* above = Infix("z>0.2");
    CompileFormula(above);
    const Mesh clipped = Run(box, 10, 10, false, above);
    EXPECT_LT(clipped.triangles.size(), full / 2);
    EXPECT_GT(clipped.triangles.size(), full / 5);
    for (const MeshVertex& v : clipped.vertices)
        EXPECT_GT(v.position[2], 0.2f);

    Prepare("sqrt(x)-0.5", false);
    const Mesh root = Run({-1, 1, -1, 1, -1, 1}, 6, 6, false);
    ASSERT_FALSE(root.triangles.empty());
    for (const MeshVertex& v : root.vertices) {
        EXPECT_NEAR(v.position[0], 0.25, 0.02);
    }
}

// At a cone's apex the gradient vanishes: the vertex takes the normal of a
// face of its own cell instead of none.
TEST_F(ImplicitPolygoniserTest, AVanishingGradientTakesAFaceNormal)
{
    Prepare("x^2+y^2-z^2", true);
    const Mesh mesh = Run({-1, 1, -1, 1, -1, 1}, 4, 4, false);
    std::vector<bool> used(mesh.vertices.size());
    for (const MeshTriangle& t : mesh.triangles)
        used[t.v[0]] = used[t.v[1]] = used[t.v[2]] = true;
    int32_t apexes = 0;
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        const MeshVertex& v = mesh.vertices[i];
        if (v.position[0] == 0 && v.position[1] == 0 && v.position[2] == 0)
            ++apexes;
        if (used[i]) {
            EXPECT_NEAR(NormalLength(v), 1, 1e-5) << v.position[0] << ", " << v.position[1] << ", " << v.position[2];
        }
    }
    EXPECT_GT(apexes, 0);
}

// A refused block ends the slice with 1; a stop request ends it with 0
// before the slab is done; a refused store leaves the polygoniser not
// ready.
TEST_F(ImplicitPolygoniserTest, RefusalsAndStopsEndTheSlice)
{
    Prepare("x^2+y^2+z^2-1", false);
    GridEvalState corners, centres;
    {
        ImplicitPolygoniser p;
        BudgetRefusal refusal;
        p.Init(f_, nullptr, nullptr, nullptr, nullptr, set_.get(), set_.get(), &corners, &centres, -1.5, 1.5, -1.5,
               1.5, -1.5, 1.5, 10, 10);
        EXPECT_FALSE(p.IsReady());
    }
    ImplicitPolygoniser p;
    p.Init(f_, nullptr, nullptr, nullptr, nullptr, set_.get(), set_.get(), &corners, &centres, -1.5, 1.5, -1.5, 1.5,
           -1.5, 1.5, 10, 10);
    ASSERT_TRUE(p.PrepareGrids());
    MeshVertexArray vertices = {};
    MeshTriangleArray triangles = {};
    {
        BudgetRefusal refusal;
        EXPECT_EQ(p.RunSlice(&vertices, &triangles, ClockMilliseconds() + 600000), 1);
    }
    f_->SetStopFlag(1);
    EXPECT_EQ(p.RunSlice(&vertices, &triangles, ClockMilliseconds() + 600000), 0);
    EXPECT_FALSE(p.IsFinished());
    f_->SetStopFlag(0);
    vertices.Clear();
    triangles.Clear();
}

} // namespace
