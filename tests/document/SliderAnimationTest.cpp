#include "document/DocLine.h"
#include "document/DocState.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SliderAnimationTest : public testing::Test {
protected:
    static void SetUpTestSuite() { TestApp(); }

    // The positions of n frames.
    std::vector<int32_t> Frames(int n)
    {
        std::vector<int32_t> positions;
        for (int i = 0; i < n; ++i) {
            doc.AnimationStep();
            positions.push_back(doc.animationPosition);
            EXPECT_EQ(doc.GetSliderValue(), doc.SliderValueAt(doc.animationPosition));
        }
        return positions;
    }

    DocState doc;
};

TEST_F(SliderAnimationTest, PositionsMapOntoTheSliderRange)
{
    struct Case {
        double minimum, maximum;
        int16_t steps;
        int32_t position;
        double value;
    };
    const Case cases[] = {
        {0, 10, 100, 37, 3.7}, {0, 10, 100, 0, 0}, {0, 10, 100, 100, 10}, {-1, 1, 2, 1, 0}, {5, -5, 10, 3, 2},
    };
    for (const Case& c : cases) {
        doc.SliderMin = c.minimum;
        doc.SliderMax = c.maximum;
        doc.SliderSteps = c.steps;
        EXPECT_DOUBLE_EQ(doc.SliderValueAt(c.position), c.value) << c.position;
    }
}

TEST_F(SliderAnimationTest, APlayedAnimationRestsAtTheTopThenBouncesBetweenTheEnds)
{
    doc.SliderSteps = 4;
    doc.animationPosition = 3;
    doc.PlayAnimation();
    EXPECT_TRUE(doc.IsAnimating());
    // Meshes keep going to every view until the first frame is shown.
    EXPECT_TRUE(doc.IsAnimationIdle());
    EXPECT_EQ(doc.animationPosition, 0);
    EXPECT_EQ(doc.GetSliderValue(), doc.SliderValueAt(0));
    EXPECT_EQ(Frames(4), (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_FALSE(doc.IsAnimationIdle());
    EXPECT_FALSE(AnimationSweepDone);
    // One frame at rest at the top, and the sweep is done.
    EXPECT_EQ(Frames(1), (std::vector<int32_t>{4}));
    EXPECT_TRUE(AnimationSweepDone);
    EXPECT_EQ(Frames(6), (std::vector<int32_t>{3, 2, 1, 0, 1, 2}));
    // Later visits of the top do not rest.
    EXPECT_EQ(Frames(4), (std::vector<int32_t>{3, 4, 3, 2}));
}

TEST_F(SliderAnimationTest, OneDirectionWrapsToTheStart)
{
    doc.SliderSteps = 4;
    doc.animationPosition = 3;
    doc.SliderOneDirection = true;
    doc.StartAnimation();
    EXPECT_EQ(Frames(4), (std::vector<int32_t>{4, 0, 1, 2}));
}

TEST_F(SliderAnimationTest, APositionBeyondASmallerRangeTurnsAtTheTop)
{
    doc.SliderSteps = 100;
    doc.animationPosition = 150;
    doc.SliderDirection = 1;
    doc.StartAnimation();
    EXPECT_EQ(Frames(2), (std::vector<int32_t>{99, 98}));
}

TEST_F(SliderAnimationTest, TheThrottleTogglesBetweenPacedAndUnpaced)
{
    doc.SliderThrottle = 30;
    doc.ToggleThrottle();
    EXPECT_EQ(doc.SliderThrottle, -30);
    doc.ToggleThrottle();
    EXPECT_EQ(doc.SliderThrottle, 30);
    doc.SliderThrottle = 0;
    doc.ToggleThrottle();
    EXPECT_EQ(doc.SliderThrottle, 30);
}

TEST_F(SliderAnimationTest, AMathPaneSliderOutOfRangeGivesItsEnd)
{
    DocLine line;
    InitEquationLine(&line);
    line.sliderSteps = 200;
    line.sliderMinimum = 0;
    line.sliderMaximum = 1;
    const struct {
        int32_t position;
        double value;
    } cases[] = {{250, 1}, {-3, 0}, {100, 0.5}};
    for (const auto& c : cases) {
        line.sliderPosition = c.position;
        EXPECT_EQ(line.UpdateSliderValue(), c.value) << c.position;
    }
}

TEST_F(SliderAnimationTest, MovingTheSliderByHandSetsTheValue)
{
    doc.SliderMin = 0;
    doc.SliderMax = 10;
    doc.SliderSteps = 100;
    doc.SetAnimationPosition(37);
    EXPECT_DOUBLE_EQ(doc.GetSliderValue(), 3.7);
    EXPECT_TRUE(doc.GraphWorkPending);
    doc.ToggleAnimation(false);
    EXPECT_TRUE(doc.IsAnimating());
    doc.ToggleAnimation(false);
    EXPECT_FALSE(doc.IsAnimating());
}

}  // namespace
