#include "CoreUtilities/FailureRegister.h"
#include "platform/MessageBox.h"
#include "platform/SystemErrorBox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

class FailureRegisterTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFailureRegister(); }
    void TearDown() override
    {
        ResetFailureRegister();
        SetMessageBoxHook(nullptr);
    }
};

// Each row: codes posted in order, then the expected sequence of takes with
// posts in between ("+c" posts c, "r c" re-arms c, a number expects a take).
struct Step {
    char action;  // 'p' post, 't' take (expect value), 'r' re-arm
    int code;
};

TEST_F(FailureRegisterTest, OrderTable)
{
    struct Row {
        const char* name;
        std::vector<Step> steps;
    } rows[] = {
        {"lower displaces and blocks the higher", {{'p', 49}, {'p', 36}, {'t', 36}, {'p', 49}, {'t', 0}}},
        {"higher behind a lower is not blocked", {{'p', 36}, {'p', 49}, {'t', 36}, {'p', 49}, {'t', 49}}},
        {"taken code stays blocked until re-armed",
         {{'p', 36}, {'t', 36}, {'p', 36}, {'t', 0}, {'r', 36}, {'p', 36}, {'t', 36}}},
        {"posting a pending code again changes nothing", {{'p', 41}, {'p', 41}, {'t', 41}, {'t', 0}}},
        {"empty register", {{'t', 0}, {'t', 0}}},
        {"codes outside the range are ignored", {{'p', 35}, {'p', 68}, {'p', -1}, {'t', 0}, {'p', 67}, {'t', 67}}},
    };
    for (const Row& row : rows) {
        ResetFailureRegister();
        for (const Step& step : row.steps) {
            switch (step.action) {
            case 'p': PostFailure(step.code); break;
            case 'r': RearmFailure(step.code); break;
            case 't':
                EXPECT_EQ(TakePendingFailure(), step.code) << row.name;
                EXPECT_FALSE(IsFailurePending()) << row.name;
                break;
            }
        }
    }
}

TEST_F(FailureRegisterTest, ConcurrentPostsLeaveTheLowestPending)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 1000; ++i)
                PostFailure(36 + (t + i) % 14);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(TakePendingFailure(), 36);
}

TEST_F(FailureRegisterTest, SystemErrorBox)
{
    std::vector<std::u16string> shown;
    SetMessageBoxHook([&](const std::u16string& text, const std::u16string& caption, MessageBoxIcon icon,
                          MessageBoxButtons) {
        shown.push_back(text);
        EXPECT_EQ(caption, u"Error");
        EXPECT_EQ(icon, MessageBoxIcon::Information);
        return true;
    });
    ReportWin32Error(0, __FILE__, __LINE__);
    EXPECT_TRUE(shown.empty());

    ShowSystemErrorBox("Saving:", ENOSPC, __FILE__, __LINE__);
    ASSERT_EQ(shown.size(), 1u);
    std::string expected = std::string("Saving: ") + std::strerror(ENOSPC);
    EXPECT_EQ(shown[0], std::u16string(expected.begin(), expected.end()));
}

TEST_F(FailureRegisterTest, LongPrefixIsCutNotOverrun)
{
    std::string prefix(400, 'p');
    char text[256];
    std::memset(text, 'x', sizeof text);
    FormatSystemErrorText(text, prefix.c_str(), EACCES);
    EXPECT_EQ(std::strlen(text), 255u);
}

}  // namespace
