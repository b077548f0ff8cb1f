#include "CoreUtilities/Base64.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/TextBufferStack.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Encode(const std::string& bytes)
{
    PushTextBuffer();
    EXPECT_TRUE(WriteBase64(bytes.data(), bytes.size()));
    int32_t length = 0;
    char* data = PopTextBuffer(&length);
    std::string text(data, static_cast<size_t>(length));
    BudgetFree(data);
    return text;
}

// Decodes from a heap copy of exactly count characters into exactly
// capacity bytes, so that any read or write past them is caught.
std::string Decode(const std::string& text, size_t capacity)
{
    std::unique_ptr<char[]> input(new char[text.size() + 1]);
    std::copy(text.begin(), text.end(), input.get());
    std::unique_ptr<unsigned char[]> output(new unsigned char[capacity + 1]);
    size_t written = ReadBase64(input.get(), text.size(), output.get(), capacity);
    EXPECT_LE(written, capacity);
    return std::string(reinterpret_cast<char*>(output.get()), written);
}

std::string Decode(const std::string& text)
{
    return Decode(text, text.size() / 4 * 3 + 3);
}

TEST(Base64Test, WritesFourCharactersPerStartedGroupAndNeverEquals)
{
    EXPECT_EQ(Encode("abc"), "YWJj");
    EXPECT_EQ(Encode("a"), "YQAA");
    EXPECT_EQ(Encode("ab"), "YWIA");
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Encode(std::string("\xFB\xFF\xBF", 3)), "+/+/");
}

TEST(Base64Test, DecodingStopsAtTheFirstCharacterOutsideTheAlphabet)
{
    const struct {
        std::string text;
        std::string bytes;
    } cases[] = {
        {"YWJj", "abc"},
        {"YQ==", "a"},
        {"YQAA", std::string("a\0\0", 3)},
        {"YW=j", "a"},
        {"YWJ=", "ab"},
        {"YWJjYW J", "abca"},
        {std::string("YWJj\0WJj", 8), "abc"},
        {"=WJj", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.text), c.bytes) << c.text;
}

TEST(Base64Test, DecodingIsBoundedByTheCountAndTheDestination)
{
    // A count that is not a multiple of 4: the cut group keeps what its
    // characters complete, and nothing past the count is read.
    EXPECT_EQ(Decode("YWJjYQ"), "abca");
    EXPECT_EQ(Decode("YWJjYWI"), "abcab");
    EXPECT_EQ(Decode("YWJjY"), "abc");
    EXPECT_EQ(Decode("Y"), "");
    // The destination's size ends decoding wherever it falls.
    for (size_t capacity = 0; capacity <= 6; ++capacity)
        EXPECT_EQ(Decode("YWJjYWJj", capacity), std::string("abcabc").substr(0, capacity));
}

TEST(Base64Test, RoundTripGivesTheBytesThenZerosToAWholeGroup)
{
    std::mt19937 random(7);
    for (size_t n : {size_t{1}, size_t{2}, size_t{3}, size_t{4}, size_t{5}, size_t{1000}, size_t{4099}}) {
        std::string bytes(n, 0);
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        std::string text = Encode(bytes);
        ASSERT_EQ(text.size(), 4 * ((n + 2) / 3));
        std::string expected = bytes + std::string((3 - n % 3) % 3, '\0');
        EXPECT_EQ(Decode(text, text.size() / 4 * 3), expected) << n;
    }
}

TEST(Base64Test, WriterReportsAFailedBuffer)
{
    const std::string bytes(900, 'x');  // 1,200 characters: the buffer must grow
    PushTextBuffer();
    double raised = HeapBudgetLimit() + 1.0;
    AdjustMemoryBudgetCount(raised);
    bool whole = WriteBase64(bytes.data(), bytes.size());
    AdjustMemoryBudgetCount(-raised);
    EXPECT_FALSE(whole);
    EXPECT_EQ(PopTextBuffer(), nullptr);
}

}  // namespace
