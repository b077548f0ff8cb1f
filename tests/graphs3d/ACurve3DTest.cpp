#include "graphs3d/ACurve3D.h"

#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "rendering/Camera3D.h"
#include "rendering/ViewRenderContext.h"
#include "support/RecordingGL.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr float kNaN = NAN;

class Curve3D : public ::testing::Test {
protected:
    void SetUp() override { context.camera = &camera; }

    // A tube (radii given) or polyline (none) over the points, built.
    std::unique_ptr<ACurve3D> Build(const std::vector<float>& pts, const std::vector<double>* r, double resolution = 1,
                                    const std::vector<float>* colors = nullptr)
    {
        points = pts;
        if (r)
            radii = *r;
        const int32_t n = static_cast<int32_t>(points.size() / 3);
        auto curve = std::make_unique<ACurve3D>(n, points.data(), r ? radii.data() : nullptr,
                                                colors ? colors->data() : nullptr, &colour, resolution, 1, false,
                                                &context);
        curve->BuildTube();
        return curve;
    }

    // The rings that some triangle uses.
    static std::set<int32_t> RingsUsed(const ACurve3D& c)
    {
        std::set<int32_t> rings;
        for (int32_t k = 0; k < 3 * c.TriangleCount(); ++k)
            rings.insert(c.Triangles()[k] / c.RingSides());
        return rings;
    }

    // Every triangle joins two neighbouring rings.
    static void ExpectTrianglesJoinNeighbours(const ACurve3D& c)
    {
        for (int32_t t = 0; t < c.TriangleCount(); ++t) {
            const int32_t* v = c.Triangles() + 3 * t;
            const int32_t lo = std::min({v[0], v[1], v[2]}) / c.RingSides();
            const int32_t hi = std::max({v[0], v[1], v[2]}) / c.RingSides();
            EXPECT_EQ(hi - lo, 1) << t;
        }
    }

    RecordingGL gl;
    ViewRenderContext context{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    AGraphColor colour{&context, nullptr};
    std::vector<float> points;
    std::vector<double> radii;
};

TEST(TubeRingSides, FollowsTheResolution)
{
    const struct {
        double resolution;
        int32_t sides;
    } cases[] = {{0, 8}, {0.5, 10}, {1, 12}, {0.99, 11}, {-1, 8}, {7, 12}, {NAN, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(TubeRingSides(c.resolution), c.sides) << c.resolution;
}

// Two points on the x axis with radius 0.1 in a [-2, 2] box at resolution
// 1: two 12-vertex rings of radius 0.1 around the axis, 24 triangles, and
// outward unit normals.
TEST_F(Curve3D, TwoPointsGiveTwoRingsAndTwentyFourTriangles)
{
    const std::vector<double> r{0.1, 0.1};
    auto c = Build({0, 0, 0, 1, 0, 0}, &r);
    ASSERT_TRUE(c->IsComplete());
    ASSERT_EQ(c->RingSides(), 12);
    EXPECT_EQ(c->TriangleCount(), 24);
    ExpectTrianglesJoinNeighbours(*c);
    for (int32_t i = 0; i < 2; ++i) {
        for (int32_t j = 0; j < 12; ++j) {
            const float* v = c->RingVertices() + 3 * (12 * i + j);
            const float* nrm = c->Normals() + 3 * (12 * i + j);
            EXPECT_FLOAT_EQ(v[0], static_cast<float>(i));
            EXPECT_NEAR(std::hypot(v[1], v[2]), 0.1, 1e-6) << i << "," << j;
            EXPECT_NEAR(std::hypot(nrm[0], nrm[1], nrm[2]), 1, 1e-6);
            EXPECT_NEAR(nrm[0], 0, 1e-6);
            EXPECT_GT(nrm[1] * v[1] + nrm[2] * v[2], 0) << "outward";
        }
    }
    EXPECT_NEAR(c->GetExtent(), std::hypot(1.0, 0.1), 1e-6);
    EXPECT_EQ(c->GetStatus(), MessageNone);
    c->SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(c->Mesh().triangleCount, 24);
    EXPECT_EQ(c->Mesh().vertexCount, 24u);
}

// Radii are in the box's normalised units: a box twice as wide in y makes
// the rings twice as wide in y.
TEST_F(Curve3D, RadiiFollowTheBoxWidths)
{
    camera.ymin = -4;
    camera.ymax = 4;
    const std::vector<double> r{0.1, 0.1};
    auto c = Build({0, 0, 0, 1, 0, 0}, &r);
    double ymax = 0, zmax = 0;
    for (int32_t j = 0; j < 12; ++j) {
        ymax = std::max(ymax, std::fabs(double(c->RingVertices()[3 * j + 1])));
        zmax = std::max(zmax, std::fabs(double(c->RingVertices()[3 * j + 2])));
    }
    EXPECT_NEAR(ymax, 0.2, 1e-6);
    EXPECT_NEAR(zmax, 0.1, 1e-6);
}

// A point that is not finite, a radius that is not a number, or two equal
// points in a row break the tube: no triangle reaches across the gap. A
// polyline breaks at points that are not finite.
TEST_F(Curve3D, BreaksLeaveGapsInTubesAndPolylines)
{
    const struct {
        const char* why;
        std::vector<float> points;
        std::vector<double> radii;
        std::set<int32_t> ringsUsed;
        int32_t pairs;
    } cases[] = {
        {"NaN point", {0, 0, 0, 1, 0, 0, kNaN, 0, 0, 3, 0, 0, 4, 0, 0}, {.1, .1, .1, .1, .1}, {0, 1, 3, 4}, 2},
        {"infinite point", {0, 0, 0, 1, 0, 0, INFINITY, 0, 0, 3, 0, 0, 4, 0, 0}, {.1, .1, .1, .1, .1}, {0, 1, 3, 4}, 2},
        {"NaN radius", {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0}, {.1, .1, NAN, .1, .1}, {0, 1, 3, 4}, 4},
        {"equal points", {0, 0, 0, 1, 0, 0, 2, 0, 0, 2, 0, 0, 3, 0, 0}, {.1, .1, .1, .1, .1}, {0, 1, 3, 4}, 4},
        {"lone point", {0, 0, 0, kNaN, 0, 0, 2, 0, 0, kNaN, 0, 0, 4, 0, 0}, {.1, .1, .1, .1, .1}, {}, 0},
    };
    for (const auto& k : cases) {
        auto tube = Build(k.points, &k.radii);
        EXPECT_EQ(RingsUsed(*tube), k.ringsUsed) << k.why;
        ExpectTrianglesJoinNeighbours(*tube);
        EXPECT_EQ(tube->TriangleCount(), static_cast<int32_t>(k.ringsUsed.size() / 2) * 2 * tube->RingSides())
            << k.why;
        auto line = Build(k.points, nullptr);
        EXPECT_EQ(line->LinePairCount(), k.pairs) << k.why;
        for (int32_t p = 0; p < line->LinePairCount(); ++p) {
            const uint16_t* pair = line->LinePairs() + 2 * p;
            EXPECT_EQ(pair[1], pair[0] + 1);
            EXPECT_TRUE(std::isfinite(k.points[3 * pair[0]]) && std::isfinite(k.points[3 * pair[1]])) << k.why;
        }
    }
}

// A helix as a tube: the rings stay round and perpendicular to the curve
// (the frame is carried along the bends) and every normal a triangle uses
// is a unit vector.
TEST_F(Curve3D, HelixTubeRingsArePerpendicularAndNormalsUnit)
{
    std::vector<float> pts;
    std::vector<double> r;
    const int32_t n = 200;
    for (int32_t i = 0; i < n; ++i) {
        const double t = 6.0 * i / (n - 1);
        pts.insert(pts.end(), {float(std::cos(t)), float(std::sin(t)), float(0.2 * t)});
        r.push_back(0.05);
    }
    auto c = Build(pts, &r, 0.5);
    ASSERT_EQ(c->RingSides(), 10);
    EXPECT_EQ(c->TriangleCount(), 2 * 10 * (n - 1));
    for (int32_t i = 1; i + 1 < n; ++i) {
        const double tx = pts[3 * i + 3] - pts[3 * i - 3], ty = pts[3 * i + 4] - pts[3 * i - 2],
                     tz = pts[3 * i + 5] - pts[3 * i - 1];
        const double tl = std::hypot(tx, ty, tz);
        for (int32_t j = 0; j < 10; ++j) {
            const float* v = c->RingVertices() + 3 * (10 * i + j);
            const double ox = v[0] - pts[3 * i], oy = v[1] - pts[3 * i + 1], oz = v[2] - pts[3 * i + 2];
            EXPECT_NEAR(std::hypot(ox, oy, oz), 0.05, 1e-5);
            EXPECT_NEAR((ox * tx + oy * ty + oz * tz) / tl, 0, 2e-3) << i;
            const float* nrm = c->Normals() + 3 * (10 * i + j);
            EXPECT_NEAR(std::hypot(nrm[0], nrm[1], nrm[2]), 1, 1e-5);
        }
    }
}

TEST_F(Curve3D, StatusAndEmptyCurves)
{
    const std::vector<double> r{.1, .1};
    auto none = Build({kNaN, 0, 0, 0, kNaN, 0}, &r);
    EXPECT_EQ(none->GetStatus(), MessageUndefinedOrInfiniteForRanges);
    EXPECT_EQ(none->TriangleCount(), 0);

    // One point: built with nothing in it; loads an empty mesh and keeps
    // the extent it had.
    auto single = Build({1, 1, 1}, nullptr);
    EXPECT_TRUE(single->IsComplete());
    EXPECT_EQ(single->LinePairCount(), 0);
    EXPECT_EQ(single->GetExtent(), 0);
    single->SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(single->Mesh().state, MeshEmpty);
    EXPECT_TRUE(single->Draw());

    // Not built yet: no status, not complete; option 5 loads nothing.
    points = {0, 0, 0, 1, 0, 0};
    ACurve3D fresh(2, points.data(), nullptr, nullptr, &colour, 1, 1, false, &context);
    EXPECT_FALSE(fresh.IsComplete());
    EXPECT_EQ(fresh.GetStatus(), MessageNone);
    fresh.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(fresh.Mesh().state, MeshEmpty);
}

// Option 5 loads each build once; a restart and a new build load again; a
// resolution change reallocates the rings for the new side count.
TEST_F(Curve3D, MeshLoadsOncePerBuildAndResolutionReallocates)
{
    const std::vector<double> r{.1, .1, .1};
    auto c = Build({0, 0, 0, 1, 0, 0, 2, 0, 0}, &r, 0);
    c->SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(c->Mesh().triangleCount, 32);
    c->Restart();
    EXPECT_FALSE(c->IsComplete());
    c->SetOption(OptionResolution, 1);
    EXPECT_EQ(c->RingSides(), 12);
    c->BuildTube();
    EXPECT_EQ(c->TriangleCount(), 48);
    c->SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(c->Mesh().triangleCount, 48);
}

TEST_F(Curve3D, RingsTakeTheirPointsColours)
{
    const std::vector<double> r{.1, .1};
    const std::vector<float> colors{1, 0, 0, 0, 0, 1};
    auto c = Build({0, 0, 0, 1, 0, 0}, &r, 0, &colors);
    ASSERT_NE(c->RingColors(), nullptr);
    for (int32_t v = 0; v < 16; ++v) {
        const float* rgb = c->RingColors() + 3 * v;
        EXPECT_EQ(rgb[0], v < 8 ? 1.f : 0.f);
        EXPECT_EQ(rgb[2], v < 8 ? 0.f : 1.f);
    }
}

}  // namespace
