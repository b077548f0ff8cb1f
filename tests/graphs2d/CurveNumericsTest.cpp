#include "graphs2d/CurveNumerics.h"

#include "graphs2d/TraceInfo.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

bool SameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

TEST(CurveNumerics, RoundToSignificantDigits)
{
    const struct {
        double x;
        int32_t digits;
        double expected;
    } cases[] = {
        {987.6, 2, 990},
        {0.0123456, 3, 0.0123},
        {-2.5, 1, -2},  // halves round upward, also below zero
        {2.5, 1, 3},
        {987.6, 0, 1000},  // digits below 1 act as 1
        {987.6, 1, 1000},
        {-0.000123456, 2, -0.00012},
        {123456789, 4, 123500000},
        {1.0 / 3, 20, 0.333333333333333},  // and above 15 as 15
        {-12.5, 14, -12.5},
        {1.7976931348623157e308, 3, 1.8e308},
        {0, 5, 0},
        {kNaN, 5, kNaN},
        {kInf, 5, kInf},
        {-kInf, 5, -kInf},
        // So small that the scale would leave the double range: unchanged.
        {4.9406564584124654e-324, 6, 4.9406564584124654e-324},
        {1e-310, 6, 1e-310},
        {1.234e-300, 15, 1.234e-300},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(SameValue(RoundToSignificantDigits(c.x, c.digits), c.expected))
            << c.x << " to " << c.digits << ": " << RoundToSignificantDigits(c.x, c.digits);
}

TEST(CurveNumerics, InterpolateRoundedDropsTheNoise)
{
    const struct {
        double a, b, t, expected;
    } cases[] = {
        {-1, 1, 0.5, 0},
        {-1, 2, 1.0 / 3, 0},
        {0, 1, 0.1, 0.1},
        {0.1, 0.7, 0.5, 0.4},
        {2, 2, 0.3, 2},
        {0, 0, 0.5, 0},
        // Ends whose noise is below the double range, and infinite ends.
        {1e-320, 3e-320, 0.5, 2e-320},
        {1e-300, 3e-300, 0.5, 1e-300 + (3e-300 - 1e-300) * 0.5},  // left as it is
        {1, kInf, 0.5, kInf},
        {kNaN, 1, 0.5, kNaN},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(SameValue(InterpolateRounded(c.a, c.b, c.t), c.expected))
            << c.a << ".." << c.b << " at " << c.t << ": " << InterpolateRounded(c.a, c.b, c.t);
}

TEST(CurveNumerics, PointAndSegmentDistances)
{
    const WorldPoint s{0, 0}, e{4, 0};
    EXPECT_EQ(PointSegmentDistanceSquared({2, 3}, s, e), 9);   // the foot inside
    EXPECT_EQ(PointSegmentDistanceSquared({-3, 4}, s, e), 25);  // nearest the start
    EXPECT_EQ(PointSegmentDistanceSquared({7, 4}, s, e), 25);   // nearest the end
    EXPECT_TRUE(std::isnan(PointSegmentDistanceSquared({0, 0}, {kNaN, 0}, e)));
    EXPECT_EQ(PointSegmentDistanceSquared({0, 0}, {0, 0}, {kInf, 0}), kInf);
    const WorldPoint foot = NearestPointOnSegment({2, 3}, s, e);
    EXPECT_EQ(foot.x, 2);
    EXPECT_EQ(foot.y, 0);
    EXPECT_EQ(NearestPointOnSegment({9, 1}, s, e).x, 4);
    EXPECT_EQ(NearestPointOnSegment({-9, 1}, s, e).x, 0);
}

TEST(CurveNumerics, IntersectSegments)
{
    const struct {
        WorldPoint a0, a1, b0, b1;
        bool meet;
        WorldPoint at;
    } cases[] = {
        {{0, 0}, {2, 2}, {0, 2}, {2, 0}, true, {1, 1}},
        {{0, 0}, {2, 2}, {0, 1}, {2, 3}, false, {}},       // parallel
        {{0, 0}, {1, 1}, {3, 0}, {2, 1}, false, {}},       // the lines meet beyond the ends
        {{1, -1}, {1, 3}, {0, 0}, {4, 2}, true, {1, 0.5}}, // a vertical
        {{0, 0}, {4, 2}, {1, -1}, {1, 3}, true, {1, 0.5}},
        {{1, -1}, {1, 3}, {2, -1}, {2, 3}, false, {}},     // two verticals
        {{1, 1}, {1, 1}, {0, 0}, {2, 2}, false, {}},       // a point
        {{0, 0}, {2, 0}, {2, 0}, {3, 5}, true, {2, 0}},    // meeting at an end
    };
    for (const auto& c : cases) {
        WorldPoint at{-7, -7};
        EXPECT_EQ(IntersectSegments(c.a0, c.a1, c.b0, c.b1, &at), c.meet) << c.b0.x << "," << c.b0.y;
        if (c.meet) {
            EXPECT_NEAR(at.x, c.at.x, 1e-15);
            EXPECT_NEAR(at.y, c.at.y, 1e-15);
        }
    }
    EXPECT_TRUE(SegmentsNearlyCollinear({0, 0}, {4, 1}, {1, 0.25}, {3, 0.75}));
    EXPECT_FALSE(SegmentsNearlyCollinear({0, 0}, {4, 1}, {1, 0.5}, {3, 1.0}));  // parallel, apart
    EXPECT_FALSE(SegmentsNearlyCollinear({0, 0}, {4, 1}, {1, 0.25}, {3, 2}));   // another slope
    EXPECT_FALSE(SegmentsNearlyCollinear({0, 0}, {4, 1}, {6, 1.5}, {8, 2}));    // beyond a's span
}

TEST(CurveNumerics, ClipSegmentToCircle)
{
    const WorldPoint c{0, 0};
    const double r = 1;
    const double h = std::sqrt(0.75);
    const struct {
        WorldPoint p0, p1;
        WorldPoint q0, q1;
    } cases[] = {
        {{-0.5, 0.1}, {0.5, -0.2}, {-0.5, 0.1}, {0.5, -0.2}},  // inside: untouched
        {{-2, 0}, {2, 0}, {-1, 0}, {1, 0}},                     // crosses twice: both ends moved
        {{2, 0}, {-2, 0}, {1, 0}, {-1, 0}},                     // the order kept
        {{0.5, -3}, {0.5, 3}, {0.5, -h}, {0.5, h}},             // steep: along y
        {{0, 0}, {0, 5}, {0, 0}, {0, 1}},                       // one end inside
        {{-3, 2}, {3, 2}, {1, 0}, {1, 0}},                      // misses: collapsed
        {{2, 0.5}, {4, 0.5}, {1, 0}, {1, 0}},                   // the line meets it, the segment not
        {{5, 5}, {5, 5}, {1, 0}, {1, 0}},                       // a point outside
        {{kNaN, 0}, {0.5, 0}, {1, 0}, {1, 0}},
    };
    for (const auto& k : cases) {
        WorldPoint p0 = k.p0, p1 = k.p1;
        ClipSegmentToCircle(c, r, &p0, &p1);
        EXPECT_NEAR(p0.x, k.q0.x, 1e-15) << k.p0.x << "," << k.p0.y;
        EXPECT_NEAR(p0.y, k.q0.y, 1e-15) << k.p0.x << "," << k.p0.y;
        EXPECT_NEAR(p1.x, k.q1.x, 1e-15) << k.p0.x << "," << k.p0.y;
        EXPECT_NEAR(p1.y, k.q1.y, 1e-15) << k.p0.x << "," << k.p0.y;
    }
}

TEST(CurveNumerics, SegmentMeetsBox)
{
    const struct {
        WorldPoint p0, p1;
        bool meets;
    } cases[] = {
        {{0, 0}, {5, 5}, true},       // an end inside
        {{-2, 0}, {2, 0.5}, true},    // crosses the view twice, both ends outside
        {{0.5, -3}, {0.2, 3}, true},  // through top and bottom
        {{-2, 0.5}, {0, 2.5}, false}, // passes the corner outside
        {{-3, 0}, {-1, 5}, false},    // both left of the box
        {{-5, 2}, {5, 2}, false},     // both above
        {{0.3, -4}, {0.3, 4}, true},  // vertical, across
        {{1, -4}, {1, 4}, false},     // vertical, on the edge
        {{-1, -0.9}, {1, 0.9}, true}, // in and out through the sides
    };
    for (const auto& c : cases)
        EXPECT_EQ(SegmentMeetsBox(c.p0, c.p1, -1, 1, -1, 1), c.meets) << c.p0.x << "," << c.p0.y;
}

TEST(CurveNumerics, AllBytesNonZero)
{
    std::atomic<uint8_t> bytes[3] = {1, 1, 0};
    EXPECT_TRUE(AllBytesNonZero(bytes, 0));
    EXPECT_FALSE(AllBytesNonZero(bytes, 3));
    EXPECT_TRUE(AllBytesNonZero(bytes, 2));
    bytes[2] = 7;
    EXPECT_TRUE(AllBytesNonZero(bytes, 3));
}

class RootFinding : public EvaluationTest {};

TEST_F(RootFinding, RootsBetweenTheEndsOfASegment)
{
    const struct {
        const char* formula;
        SpaceSegment s;
        bool found;
        SpacePoint root;
        double accuracy;
    } cases[] = {
        {"x", {-1, 2, 0, 0, 0, 0}, true, {0, 0, 0}, 0},               // exactly 0
        {"x", {-1, 0, 0, 0, 0, 0}, true, {0, 0, 0}, 0},               // a root at the end
        {"x", {0, -1, 5, 7, 0, 0}, true, {0, 5, 0}, 0},               // at the start
        {"x", {0, 1, 0, 0, 0, 0}, false, {}, 0},                      // zero counts as non-negative
        {"(power x 2)", {-1, 1, 0, 0, 0, 0}, false, {}, 0},           // a double root: no sign change
        {"(power x 3)", {-1, 2, 0, 0, 0, 0}, true, {0, 0, 0}, 1e-100}, // a triple root
        {"(+ x 5)", {-1, 2, 0, 0, 0, 0}, false, {}, 0},               // the same sign at both ends
        {"(sqrt x)", {-1, 4, 0, 0, 0, 0}, false, {}, 0},              // NaN at an end
        {"(+ (* x y) -1)", {2, 2, 0, 1, 0, 0}, true, {2, 0.5, 0}, 1e-15},
        {"(+ z -0.25)", {0, 0, 0, 0, 0, 1}, true, {0, 0, 0.25}, 1e-16},
        {"(+ (sin x) -0.5)", {0, 1, 0, 0, 0, 0}, true, {std::asin(0.5), 0, 0}, 1e-15},
        // A pole, not a root: the sign changes there and the search ends at it.
        {"(over 1 x)", {-1, 2, 0, 0, 0, 0}, true, {0, 0, 0}, 1e-15},
    };
    for (const auto& c : cases) {
        CompiledFormula* f = Compiled(c.formula);
        SpacePoint root{-7, -7, -7};
        EXPECT_EQ(FindRootBetween(f, 0, 0, c.s, &root), c.found) << c.formula;
        if (!c.found)
            continue;
        EXPECT_NEAR(root.x, c.root.x, c.accuracy) << c.formula;
        EXPECT_NEAR(root.y, c.root.y, c.accuracy) << c.formula;
        EXPECT_NEAR(root.z, c.root.z, c.accuracy) << c.formula;
    }
    // A level other than 0, and a tolerance: plain coordinates, near enough.
    SpacePoint root;
    ASSERT_TRUE(FindRootBetween(Compiled("(power x 2)"), 2, 1e-6, {0, 3, 0, 0, 0, 0}, &root));
    EXPECT_NEAR(root.x, std::sqrt(2.0), 1e-5);
    // The ends given need not be evaluated again.
    ASSERT_TRUE(FindRootOnSegment(Compiled("x"), 0, 0, -1, 2, {-1, 2, 0, 0, 0, 0}, &root));
    EXPECT_EQ(root.x, 0);
}

TEST_F(RootFinding, ImplicitCurvesNearAPoint)
{
    // The unit circle.
    CompiledFormula* circle = Compiled("(+ (power x 2) (power y 2))");
    EXPECT_TRUE(HasSignChangeAround(circle, 1, 0.99, 0, 0.02, 0.02));
    EXPECT_FALSE(HasSignChangeAround(circle, 1, 0.5, 0, 0.02, 0.02));

    WorldPoint p{};
    ASSERT_TRUE(FindImplicitPointNear(circle, 1, {1.05, 0.02}, 0.1, 0.1, {1.05, 0.02}, &p));
    EXPECT_NEAR(p.x * p.x + p.y * p.y, 1, 1e-12);
    EXPECT_NEAR(p.x, 1, 0.05);
    EXPECT_FALSE(FindImplicitPointNear(circle, 1, {3, 3}, 0.1, 0.1, {3, 3}, &p));
    // Every long ray crosses the curve twice; a shorter one finds it.
    CompiledFormula* band = Compiled("(power x 2)");
    ASSERT_TRUE(FindImplicitPointNear(band, 0.0025, {0, 0}, 0.1, 0.1, {0, 0}, &p));
    EXPECT_NEAR(std::fabs(p.x), 0.05, 1e-12);

    // y = x / 2 through a box of half-size 0.5: in at the left edge, out at the right.
    const NearestPointResult r = FindImplicitCrossings(Compiled("(+ y (* -0.5 x))"), 0, {0, 0}, 0.5, 0.5);
    EXPECT_EQ(r.found, 1);
    EXPECT_EQ(r.nearest.x, 0);
    EXPECT_EQ(r.nearest.y, 0);
    EXPECT_EQ(r.before.x, -0.5);
    EXPECT_NEAR(r.before.y, -0.25, 1e-15);
    EXPECT_EQ(r.after.x, 0.5);
    EXPECT_NEAR(r.after.y, 0.25, 1e-15);
    EXPECT_EQ(FindImplicitCrossings(circle, 1, {3, 3}, 0.5, 0.5).found, 0);

    // Snapping a trace point onto the axes' crossings of y = x^2 - 1.
    CompiledFormula* parabola = Compiled("(+ y (minus (power x 2)) 1)");
    TraceInfo trace;
    trace.x = 0.01;
    trace.y = -0.98;
    SnapTraceToAxes(parabola, 0, 0.05, 0.05, &trace);
    EXPECT_EQ(trace.snapped, 1);
    EXPECT_EQ(trace.x, 0);
    EXPECT_NEAR(trace.y, -1, 1e-15);
    trace.x = 1.02;
    trace.y = 0.03;
    SnapTraceToAxes(parabola, 0, 0.05, 0.05, &trace);
    EXPECT_EQ(trace.snapped, 1);
    EXPECT_NEAR(trace.x, 1, 1e-15);
    EXPECT_EQ(trace.y, 0);
    trace.x = 0.5;
    trace.y = 0.5;
    SnapTraceToAxes(parabola, 0, 0.05, 0.05, &trace);
    EXPECT_EQ(trace.snapped, 0);
    EXPECT_EQ(trace.x, 0.5);
}

}  // namespace
