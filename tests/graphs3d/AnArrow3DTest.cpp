#include "graphs3d/AnArrow3D.h"

#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"
#include "rendering/Camera3D.h"
#include "rendering/ViewRenderContext.h"
#include "support/RecordingGL.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class Arrow3D : public ::testing::Test {
protected:
    void SetUp() override { context.camera = &camera; }

    RecordingGL gl;
    ViewRenderContext context{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    AGraphColor colour{&context, nullptr};
    float from[3] = {0, 0, 0};
    float to[3] = {4, 0, 0};
};

// The profile of an arrow of length 4 along x: shaft radius min(radius,
// L/2), head radius min(2 r, 0.7 L), head length min(R sqrt 3, 0.7 L).
TEST_F(Arrow3D, ProfileSizesFollowTheRadiusAndLength)
{
    const struct {
        double radius;
        double shaft, head, headLength;
    } cases[] = {
        {0.1, 0.1, 0.2, 0.2 * 1.732050807568877},
        {3, 2, 2.8, 2.8},
        {-0.1, 0.1, 0.2, 0.2 * 1.732050807568877},
    };
    for (const auto& c : cases) {
        AnArrow3D arrow(from, to, c.radius, &colour, false, false, &context);
        ASSERT_TRUE(arrow.IsReady()) << c.radius;
        const double* r = arrow.ProfileRadii();
        const float* p = arrow.ProfilePoints();
        const double expected[kArrowProfilePoints] = {0, c.shaft, NAN, c.shaft, c.shaft, NAN,
                                                      c.shaft, std::max(c.shaft, c.head), NAN,
                                                      std::max(c.shaft, c.head), 0};
        for (int32_t i = 0; i < kArrowProfilePoints; ++i) {
            if (std::isnan(expected[i]))
                EXPECT_TRUE(std::isnan(r[i]) && std::isnan(p[3 * i])) << i;
            else
                EXPECT_NEAR(r[i], expected[i], 1e-12) << c.radius << " row " << i;
        }
        // The head's base lies the head length before the tip.
        EXPECT_NEAR(p[3 * 4], 4 - c.headLength, 1e-6);
        EXPECT_NEAR(p[3 * 9], 4 - c.headLength, 1e-6);
        EXPECT_EQ(p[3 * 10], 4.f);
        ASSERT_NE(arrow.Shaft(), nullptr);
        EXPECT_TRUE(arrow.Shaft()->IsComplete());
    }
}

// The tube arrow's pieces are joined only within themselves, and the rings
// of radius 0 at the tail and the tip still get unit normals: the tail disc
// faces backwards, the cone forwards.
TEST_F(Arrow3D, TubeArrowHasFourPiecesAndFiniteNormalsAtTailAndTip)
{
    AnArrow3D arrow(from, to, 0.1, &colour, false, false, &context);
    const ACurve3D& shaft = *arrow.Shaft();
    const int32_t S = shaft.RingSides();
    EXPECT_EQ(S, 12);
    EXPECT_EQ(shaft.TriangleCount(), 4 * 2 * S);
    for (int32_t ring : {0, 10}) {
        for (int32_t j = 0; j < S; ++j) {
            const float* nrm = shaft.Normals() + 3 * (ring * S + j);
            EXPECT_NEAR(std::hypot(nrm[0], nrm[1], nrm[2]), 1, 1e-5) << ring;
            if (ring == 0)
                EXPECT_NEAR(nrm[0], -1, 1e-5);
            else
                EXPECT_GT(nrm[0], 0.4);
        }
    }
    EXPECT_NEAR(arrow.GetExtent(), 4, 1e-5);
    arrow.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(shaft.Mesh().triangleCount, 4 * 2 * S);
    // A resolution change goes to the shaft and builds it again.
    arrow.SetOption(OptionResolution, 0);
    EXPECT_EQ(arrow.Shaft()->RingSides(), 8);
    EXPECT_EQ(arrow.Shaft()->TriangleCount(), 4 * 2 * 8);
}

// Line arrows: three barbs, four with the fixed size, one segment without
// a head; each barb sits behind the tip.
TEST_F(Arrow3D, LineArrowBarbsAndSegments)
{
    const struct {
        bool fixedSize, noHead;
        int32_t barbs, lines;
    } cases[] = {{false, false, 3, 4}, {true, false, 4, 5}, {false, true, 3, 1}, {true, true, 4, 1}};
    for (const auto& c : cases) {
        AnArrow3D arrow(from, to, 0, &colour, c.fixedSize, c.noHead, &context);
        EXPECT_EQ(arrow.Shaft(), nullptr);
        EXPECT_EQ(arrow.BarbCount(), c.barbs);
        ASSERT_TRUE(arrow.IsReady());
        arrow.SetOption(OptionUploadMesh, 0);
        EXPECT_EQ(arrow.Mesh().lineCount, c.lines) << c.fixedSize << c.noHead;
        const float* v = arrow.ProfilePoints();
        EXPECT_EQ(v[0], 4.f);
        EXPECT_EQ(v[3], 0.f);
        for (int32_t b = 0; b < c.barbs && !c.noHead; ++b)
            EXPECT_LT(v[3 * (2 + b)], 4.f) << b;
        EXPECT_NEAR(arrow.GetExtent(), 4, 1e-6);
    }
}

// Ends that coincide or are not finite make no arrow: not ready, nothing
// loaded or drawn.
TEST_F(Arrow3D, DegenerateEndsAreNotReady)
{
    const float ends[][3] = {{0, 0, 0}, {NAN, 0, 0}, {INFINITY, 0, 0}};
    for (const auto& end : ends) {
        for (double radius : {0.0, 0.1}) {
            AnArrow3D arrow(from, end, radius, &colour, false, false, &context);
            EXPECT_FALSE(arrow.IsReady()) << end[0] << " radius " << radius;
            arrow.SetOption(OptionUploadMesh, 0);
            EXPECT_EQ(arrow.Mesh().state, MeshEmpty);
            EXPECT_TRUE(arrow.Draw());
        }
    }
    // Moving an end and building again makes it an arrow.
    float tip[3] = {0, 0, 0};
    AnArrow3D arrow(from, tip, 0, &colour, false, false, &context);
    EXPECT_FALSE(arrow.IsReady());
    tip[2] = 1;
    arrow.BuildMesh();
    EXPECT_TRUE(arrow.IsReady());
}

}  // namespace
