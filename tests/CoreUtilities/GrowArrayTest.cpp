#include "CoreUtilities/GrowArray.h"

#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Pair8 {
    int32_t a, b;
};
struct Pair16 {
    double x, y;
};

// Element number i of each element size, distinct in every byte.
template <typename T>
T Element(int32_t i);
template <>
uint32_t Element<uint32_t>(int32_t i)
{
    return 0x01000000u * static_cast<uint32_t>(i + 1) + static_cast<uint32_t>(i);
}
template <>
Pair8 Element<Pair8>(int32_t i)
{
    return {i, -i};
}
template <>
Pair16 Element<Pair16>(int32_t i)
{
    return {i * 0.5, -i * 0.25};
}

template <typename T>
bool SameBytes(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <typename T>
class GrowArrayTest : public testing::Test {
protected:
    GrowArray<T> array;
    void TearDown() override { array.Clear(); }
};

// One element type for each of the three sizes.
static_assert(std::is_same_v<GrowArray4<uint32_t>, GrowArray<uint32_t>>);
static_assert(std::is_same_v<GrowArray8<Pair8>, GrowArray<Pair8>>);
static_assert(std::is_same_v<GrowArray16<Pair16>, GrowArray<Pair16>>);
using ElementTypes = testing::Types<uint32_t, Pair8, Pair16>;

template <typename T>
class EverySize : public GrowArrayTest<T> {};
TYPED_TEST_SUITE(EverySize, ElementTypes);

TYPED_TEST(EverySize, CapacityDoublesFromSixteenAndKeepsContents)
{
    using T = TypeParam;
    auto& array = this->array;
    const double before = MemoryBudgetCount();
    struct Step {
        int32_t pushes, capacity;
    };
    // After the given number of pushes, the capacity.
    const Step steps[] = {{1, 16}, {16, 16}, {17, 32}, {32, 32}, {33, 64}, {100, 128}};
    int32_t pushed = 0;
    for (const Step& step : steps) {
        for (; pushed < step.pushes; ++pushed)
            ASSERT_EQ(array.Push(Element<T>(pushed)), 0);
        EXPECT_EQ(array.count, step.pushes);
        EXPECT_EQ(array.capacity, step.capacity) << "after " << step.pushes << " pushes";
        EXPECT_EQ(MemoryBudgetCount() - before, static_cast<double>(step.capacity) * sizeof(T));
        for (int32_t i = 0; i < pushed; ++i)
            ASSERT_TRUE(SameBytes(array[i], Element<T>(i))) << "element " << i;
    }
    EXPECT_EQ(array.Clear(), 0);
    EXPECT_EQ(array.storage, nullptr);
    EXPECT_EQ(array.count, 0);
    EXPECT_EQ(array.capacity, 0);
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TYPED_TEST(EverySize, RefusedPushLeavesArrayAsItWas)
{
    using T = TypeParam;
    auto& array = this->array;
    // Empty, and full at 16: both pushes need a new block.
    for (int32_t filled : {0, 16}) {
        for (int32_t i = array.count; i < filled; ++i)
            ASSERT_EQ(array.Push(Element<T>(i)), 0);
        T* storage = array.storage;
        const int32_t capacity = array.capacity;
        {
            BudgetRefusal refusal;
            EXPECT_FALSE(array.Grow());
            EXPECT_EQ(array.Push(Element<T>(filled)), 1);
        }
        EXPECT_EQ(array.storage, storage);
        EXPECT_EQ(array.count, filled);
        EXPECT_EQ(array.capacity, capacity);
        for (int32_t i = 0; i < filled; ++i)
            ASSERT_TRUE(SameBytes(array[i], Element<T>(i)));
        // Memory is back: the same push goes through.
        EXPECT_EQ(array.Push(Element<T>(filled)), 0);
        EXPECT_EQ(array.count, filled + 1);
        array.RemoveAt(filled);
    }
}

using GrowArray4Test = GrowArrayTest<uint32_t>;

TEST_F(GrowArray4Test, RemoveAtClosesTheGapAndKeepsStorage)
{
    for (uint32_t v : {10u, 11u, 12u, 13u})
        ASSERT_EQ(array.Push(v), 0);
    uint32_t* storage = array.storage;
    array.RemoveAt(1);
    array.RemoveAt(2);  // the last element
    ASSERT_EQ(array.count, 2);
    EXPECT_EQ(array[0], 10u);
    EXPECT_EQ(array[1], 12u);
    EXPECT_EQ(array.storage, storage);
    EXPECT_EQ(array.capacity, 16);
}

TEST_F(GrowArray4Test, PushOfOwnElementSurvivesTheMove)
{
    for (uint32_t i = 0; i < 16; ++i)
        ASSERT_EQ(array.Push(i + 100), 0);
    // The pushed reference points into the block that growing replaces.
    ASSERT_EQ(array.Push(array[3]), 0);
    EXPECT_EQ(array[16], 103u);
}

struct Counted {
    static int destroyed;
    ~Counted() { ++destroyed; }
};
int Counted::destroyed = 0;

TEST(GrowArray4Pointers, DeleteCompiledFormulasDeletesEveryElementAndClears)
{
    GrowArray4<Counted*> list;
    Counted::destroyed = 0;
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(list.Push(i == 5 ? nullptr : new Counted), 0);
    list.DeleteCompiledFormulas();
    EXPECT_EQ(Counted::destroyed, 19);
    EXPECT_EQ(list.storage, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 0);
}

}  // namespace
