#include "CoreUtilities/WideLiteralCache.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(WideLiteralCacheTest, ConvertsOnceAndAnswersTheSameCopy)
{
    const char16_t* first = WideLiteral("Graphing...");
    EXPECT_EQ(std::u16string(first), u"Graphing...");
    EXPECT_EQ(WideLiteral("Graphing..."), first);
    // Keyed by text: the same words from another buffer find the same copy.
    std::string again = "Graphing...";
    EXPECT_EQ(WideLiteral(again.c_str()), first);
    EXPECT_EQ(std::u16string(WideLiteral("caf\xE9")), u"");
}

TEST(WideLiteralCacheTest, ThreadsAskingAtOnceAgreeOnOneCopyPerText)
{
    constexpr int kThreads = 8;
    constexpr int kTexts = 200;
    std::vector<std::string> texts;
    for (int i = 0; i < kTexts; ++i)
        texts.push_back("literal " + std::to_string(i));
    std::vector<std::vector<const char16_t*>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (const std::string& text : texts)
                seen[t].push_back(WideLiteral(text.c_str()));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < kTexts; ++i) {
        EXPECT_EQ(std::u16string(seen[0][i]), std::u16string(texts[i].begin(), texts[i].end()));
        for (int t = 1; t < kThreads; ++t)
            EXPECT_EQ(seen[t][i], seen[0][i]);
    }
}

}  // namespace
