#include "platform/CaretBlink.h"

#include <gtest/gtest.h>

namespace {

TEST(CaretBlinkTest, MillisecondsBecomeTicksAndNoBlinkNeverRefreshes)
{
    const struct {
        int64_t ms;
        int32_t ticks;
    } cases[] = {{500, 30}, {530, 31}, {1, 1}, {0, 0}, {-1, 0}, {0xFFFFFFFFll, 257698037}, {INT64_MAX / 2, INT32_MAX / 60 * 60}};
    for (const auto& c : cases)
        EXPECT_EQ(CaretBlinkTicks(c.ms), c.ticks) << c.ms;
}

}  // namespace
