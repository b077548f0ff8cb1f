#include "app/FramePlacement.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFE;  // marks "no stored value" in the table

std::optional<uint32_t> Opt(uint32_t v)
{
    return v == kNone ? std::nullopt : std::optional<uint32_t>(v);
}

struct Case {
    const char* what;
    uint32_t sizeX, sizeY, posX, posY;
    QSize screen, maxTrack;
    QList<QRect> areas;
    QSize size;
    bool defaultPosition;
    QPoint position;
    uint32_t nextX, nextY;  // kNone: nothing written back
};

TEST(FramePlacementTest, StoredValuesCountOnlyWhereTheyFitAScreen)
{
    const QList<QRect> one = {QRect(0, 0, 1280, 1024)};
    const QList<QRect> two = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1280, 1024)};
    const QList<QRect> left = {QRect(-1280, 0, 1280, 1024), QRect(0, 0, 1280, 1024)};
    const Case cases[] = {
        {"first run, 1024 x 768", kNone, kNone, kNone, kNone, {1024, 768}, {1036, 780}, {{0, 0, 1024, 768}},
         {550, 600}, true, {}, kNone, kNone},
        {"first run, small screen", kNone, kNone, kNone, kNone, {788, 588}, {800, 600}, {{0, 0, 788, 588}},
         {530, 450}, true, {}, kNone, kNone},
        {"stored, cascades", 600, 500, 100, 200, {1280, 1024}, {1292, 1036}, one, {600, 500}, false, {100, 200},
         115, 215},
        {"cascade wraps to 50", 550, 500, 990, 600, {1280, 1024}, {1292, 1036}, one, {550, 500}, false,
         {990, 600}, 50, 50},
        {"size from a larger monitor", 2000, 500, 10, 10, {1280, 1024}, {1292, 1036}, one, {550, 600}, false,
         {10, 10}, 25, 25},
        {"negative size", 0xFFFFFFFF, 500, 10, 10, {1280, 1024}, {1292, 1036}, one, {550, 600}, false,
         {10, 10}, 25, 25},
        {"off every screen", 600, 500, 5000, 5000, {1280, 1024}, {1292, 1036}, one, {600, 500}, true, {}, kNone,
         kNone},
        {"above every screen", 600, 500, 10, static_cast<uint32_t>(-200), {1280, 1024}, {1292, 1036}, one,
         {600, 500}, true, {}, kNone, kNone},
        {"on the second screen", 600, 500, 1500, 10, {1280, 1024}, {1292, 1036}, two, {600, 500}, false,
         {1500, 10}, 1515, 25},
        {"screen left of the primary", 600, 500, static_cast<uint32_t>(-1000), 10, {1280, 1024}, {1292, 1036},
         left, {600, 500}, false, {-1000, 10}, static_cast<uint32_t>(-985), 25},
        {"position without a stored y", 600, 500, 10, kNone, {1280, 1024}, {1292, 1036}, one, {600, 500}, true,
         {}, kNone, kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FramePlacement p =
            PlaceFrame({Opt(c.sizeX), Opt(c.sizeY), Opt(c.posX), Opt(c.posY)}, c.screen, c.maxTrack, c.areas);
        EXPECT_EQ(p.size, c.size);
        EXPECT_EQ(p.defaultPosition, c.defaultPosition);
        if (!c.defaultPosition)
            EXPECT_EQ(p.position, c.position);
        EXPECT_EQ(p.nextX, Opt(c.nextX));
        EXPECT_EQ(p.nextY, Opt(c.nextY));
    }
}

}  // namespace

namespace {

TEST(FramePlacementTest, StoredRectangleIsShiftedOrCutIntoTheWorkArea)
{
    const QRect area(0, 0, 1280, 1000);
    const struct {
        const char* what;
        QRect frame, fitted;
    } cases[] = {
        {"inside stays", {100, 100, 500, 400}, {100, 100, 500, 400}},
        {"left of it shifts right", {-300, 100, 500, 400}, {0, 100, 500, 400}},
        {"right of it shifts left", {1000, 100, 500, 400}, {780, 100, 500, 400}},
        {"below it shifts up", {100, 900, 500, 400}, {100, 600, 500, 400}},
        {"on a detached monitor", {3000, -2000, 500, 400}, {780, 0, 500, 400}},
        {"wider takes the width", {-50, 100, 2000, 400}, {0, 100, 1280, 400}},
        {"larger becomes the work area", {-10, -10, 3000, 3000}, area},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitIntoWorkArea(c.frame, area), c.fitted) << c.what;
}

}  // namespace
