#include "graphs3d/A3DPoint.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/UnitSphere.h"
#include "rendering/Camera3D.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace {

// 258 vertices on the unit sphere, 512 triangles wound counter-clockwise
// from outside, each edge met once in each direction (a closed surface).
TEST(UnitSphere, IsAClosedOutwardMeshOfUnitVertices)
{
    const UnitSphere& s = BuildUnitSphere();
    ASSERT_EQ(s.vertexCount, kUnitSphereVertices);
    ASSERT_EQ(s.triangleCount, kUnitSphereTriangles);
    EXPECT_EQ(&BuildUnitSphere(), &s);
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        const Vec3& v = s.vertices[i];
        EXPECT_NEAR(std::sqrt(DotVec3(v, v)), 1, 1e-15) << i;
    }
    std::map<std::pair<int32_t, int32_t>, int32_t> edges;
    for (int32_t t = 0; t < s.triangleCount; ++t) {
        const int32_t* f = s.triangles + 3 * t;
        const Vec3 &a = s.vertices[f[0]], &b = s.vertices[f[1]], &c = s.vertices[f[2]];
        Vec3 n;
        CrossVec3(Vec3{b.x - a.x, b.y - a.y, b.z - a.z}, n, c.x - a.x, c.y - a.y, c.z - a.z);
        const Vec3 centre{a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
        EXPECT_GT(DotVec3(n, centre), 0) << t;
        for (int32_t k = 0; k < 3; ++k)
            ++edges[{f[k], f[(k + 1) % 3]}];
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
    EXPECT_EQ(edges.size(), 3u * kUnitSphereTriangles);
}

class Point3D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        context.camera = &camera;
    }

    std::unique_ptr<A3DPoint> Make(const char* x, const char* y, const char* z, double radius)
    {
        std::unique_ptr<A3DPoint> p(new A3DPoint(new CompiledFormula(ReadFormula(x), &doc),
                                                 new CompiledFormula(ReadFormula(y), &doc),
                                                 new CompiledFormula(ReadFormula(z), &doc),
                                                 new AGraphColor(&context, &doc), radius, 1, &context));
        EXPECT_TRUE(WaitUntil([&] { return p->IsComplete(); }));
        return p;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
};

// In a box of widths 4 a point of size 1 is a sphere of world radius 0.44
// around it; a box twice as wide in z stretches it twice as far in z.
TEST_F(Point3D, SphereRadiusFollowsTheSizeAndTheBox)
{
    const struct {
        double radius, zWidth, expectXY, expectZ;
    } cases[] = {{1, 4, 0.44, 0.44}, {0, 4, 0.04, 0.04}, {1, 8, 0.44, 0.88}, {NAN, 4, 0.24, 0.24}};
    for (const auto& c : cases) {
        camera.zmin = -c.zWidth / 2;
        camera.zmax = c.zWidth / 2;
        auto p = Make("1", "-1", "0.5", c.radius);
        ASSERT_TRUE(p->IsDefined());
        double xy = 0, z = 0;
        for (int32_t i = 0; i < kUnitSphereVertices; ++i) {
            const float* q = p->Positions() + 3 * i;
            xy = std::max(xy, std::hypot(q[0] - 1.0, q[1] + 1.0));
            z = std::max(z, std::fabs(q[2] - 0.5));
        }
        EXPECT_NEAR(xy, c.expectXY, 1e-6) << c.radius;
        EXPECT_NEAR(z, c.expectZ, 1e-6) << c.radius;
        p->SetOption(OptionUploadMesh, 0);
        EXPECT_EQ(p->Mesh().triangleCount, kUnitSphereTriangles);
    }
}

// An undefined point is computed and ready but draws nothing.
TEST_F(Point3D, UndefinedPointIsReadyAndEmpty)
{
    auto p = Make("0/0", "1", "1", 0.5);
    EXPECT_TRUE(p->IsComplete());
    EXPECT_FALSE(p->IsDefined());
    EXPECT_EQ(p->GetExtent(), 0);
    EXPECT_TRUE(p->Draw());
    // Any variable restarts it, whether its formulas use it or not.
    p->VariableChanged('q');
    EXPECT_TRUE(WaitUntil([&] { return p->IsComplete(); }));
}

}  // namespace
