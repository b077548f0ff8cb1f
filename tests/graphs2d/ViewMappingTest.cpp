#include "graphs2d/ViewMapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// 64 pixels per unit with world 0 at (200, 149) of a 400 x 300 view.
ViewMapping DefaultMapping()
{
    ViewMapping m;
    ShortRect r;
    SetShortRect(r, 0, 0, 300, 400);
    m.Set(r, 200, 149, 64, -64, 1);
    return m;
}

TEST(ViewMapping, ReciprocalsAndClipLimitsFollowTheScale)
{
    const ViewMapping m = DefaultMapping();
    EXPECT_EQ(m.unitsPerPixelX, 0.015625);
    EXPECT_EQ(m.unitsPerPixelY, 0.015625);
    EXPECT_EQ(m.clipMaxX, (16383 - 200) * 0.015625);
    EXPECT_EQ(m.clipMinX, (-16383 - 200) * 0.015625);
    EXPECT_EQ(m.clipMinY, -((16383 - 149) * 0.015625));
    EXPECT_EQ(m.clipMaxY, -((-16383 - 149) * 0.015625));
    EXPECT_EQ(m.XToPixel(m.clipMaxX), 16383);
    EXPECT_EQ(m.YToPixel(m.clipMinY), 16383);
}

TEST(ViewMapping, WorldToPixelConversions)
{
    const ViewMapping m = DefaultMapping();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double world;
        int32_t x, y;  // XToPixelChecked, YToPixelChecked
    };
    const Case cases[] = {
        {0, 200, 149},
        {1, 264, 85},
        {-3.125, 0, 349},
        {1.0 / 128, 201, 149},  // halves round up
        {-1.0 / 128, 200, 150},
        {1e300, 16383, -16383},
        {-1e300, -16383, 16383},
        {inf, 16383, -16383},
        {-inf, -16383, 16383},
        {nan, 32767, 32767},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m.XToPixelChecked(c.world), c.x) << c.world;
        EXPECT_EQ(m.YToPixelChecked(c.world), c.y) << c.world;
        if (!std::isnan(c.world)) {
            EXPECT_EQ(m.XToPixelClipped(c.world), c.x) << c.world;
            EXPECT_EQ(m.YToPixelClipped(c.world), c.y) << c.world;
        }
    }
}

TEST(ViewMapping, ContainsWorldPointUsesTheGuardedPixels)
{
    const ViewMapping m = DefaultMapping();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(m.ContainsWorldPoint(0, 0));
    EXPECT_TRUE(m.ContainsWorldPoint(-3.125, -2.34375));   // the bottom-left pixel
    EXPECT_FALSE(m.ContainsWorldPoint(3.125, 0));           // column 400 is outside
    EXPECT_FALSE(m.ContainsWorldPoint(0, 2.34375));         // row -1
    EXPECT_FALSE(m.ContainsWorldPoint(nan, 0));
    EXPECT_FALSE(m.ContainsWorldPoint(0, nan));
    EXPECT_FALSE(m.ContainsWorldPoint(1e300, 1e300));
}

}  // namespace
