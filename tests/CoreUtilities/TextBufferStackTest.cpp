#include "CoreUtilities/TextBufferStack.h"

#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Makes the budget refuse every allocation while it lives.
struct BudgetRefusal {
    double raised = HeapBudgetLimit() + 1.0;
    BudgetRefusal() { AdjustMemoryBudgetCount(raised); }
    ~BudgetRefusal() { AdjustMemoryBudgetCount(-raised); }
};

std::string PopAsString()
{
    int32_t length = -1;
    char* data = PopTextBuffer(&length);
    EXPECT_NE(data, nullptr);
    std::string text(data ? data : "", data ? static_cast<size_t>(length) : 0);
    BudgetFree(data);
    return text;
}

class TextBufferStackTest : public testing::Test {
protected:
    void SetUp() override { startCount = MemoryBudgetCount(); }
    void TearDown() override
    {
        EXPECT_EQ(TheTextBufferStack.top, -1);
        EXPECT_EQ(MemoryBudgetCount(), startCount);  // every block given back
        EXPECT_EQ(AbortFlag.load(), 0);
    }
    double startCount = 0;
};

TEST_F(TextBufferStackTest, ByteAfterTheFirstKilobyteDoublesTheBufferAndKeepsItsBytes)
{
    PushTextBuffer();
    const TextBuffer& top = TheTextBufferStack.levels[0];
    EXPECT_EQ(top.capacity, 1024);
    std::string expected;
    for (int i = 0; i < 1024; ++i) {
        expected += static_cast<char>(i * 7 + 3);
        ASSERT_TRUE(PutTextChar(expected.back()));
    }
    EXPECT_EQ(top.capacity, 1024);
    ASSERT_TRUE(PutTextChar('z'));
    expected += 'z';
    EXPECT_EQ(top.capacity, 2048);
    EXPECT_EQ(top.length, 1025);
    EXPECT_EQ(PopAsString(), expected);
}

TEST_F(TextBufferStackTest, EmptyBufferStillGivesABlockToFree)
{
    PushTextBuffer();
    int32_t length = -1;
    char* data = PopTextBuffer(&length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, 0);
    BudgetFree(data);
}

TEST_F(TextBufferStackTest, RefusedGrowthFailsTheWholeBufferForGood)
{
    PushTextBuffer();
    for (int i = 0; i < 1024; ++i)
        ASSERT_TRUE(PutTextChar('a'));
    {
        BudgetRefusal refusal;
        EXPECT_FALSE(PutTextChar('b'));
    }
    // Memory is back, but a text with a hole must never pass for a whole one.
    EXPECT_FALSE(PutTextChar('c'));
    EXPECT_FALSE(PutTextString("more"));
    EXPECT_TRUE(TheTextBufferStack.levels[0].failed);
    int32_t length = -1;
    EXPECT_EQ(PopTextBuffer(&length), nullptr);
    EXPECT_EQ(length, 0);
}

TEST_F(TextBufferStackTest, RefusedFirstBlockFailsThePush)
{
    {
        BudgetRefusal refusal;
        PushTextBuffer();
        AbortFlag.store(0);  // the push's poll saw the raised count
        ResetFailureRegister();
    }
    EXPECT_FALSE(PutTextString("x"));
    EXPECT_EQ(PopTextBuffer(), nullptr);
}

TEST_F(TextBufferStackTest, LevelsStayApartAndAThirdLevelFailsAloneWithoutHarm)
{
    PushTextBuffer();
    ASSERT_TRUE(PutTextString("page "));
    PushTextBuffer();
    ASSERT_TRUE(PutTextString("formula"));
    PushTextBuffer();  // deeper than the stack holds
    EXPECT_FALSE(PutTextString("lost"));
    EXPECT_EQ(PopTextBuffer(), nullptr);
    EXPECT_EQ(PopAsString(), "formula");
    ASSERT_TRUE(PutTextString("end"));
    EXPECT_EQ(PopAsString(), "page end");
    EXPECT_EQ(PopTextBuffer(), nullptr);  // nothing open
    EXPECT_FALSE(PutTextChar('x'));
}

}  // namespace
