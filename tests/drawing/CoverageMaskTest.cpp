#include "drawing/CoverageMask.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

TEST(CoverageMask, FillSetsOnlyTheFieldsOfItsColumns)
{
    // Columns 1 to 5 of a mask starting at column 0: 0x3F of byte 0, 0xF0 of byte 1.
    for (uint8_t before : {uint8_t{0x00}, uint8_t{0xFF}}) {
        uint8_t mask[2] = {before, before};
        FillMaskRect(mask, 2, Rect(0, 0, 1, 8), Rect(0, 1, 1, 6), 2);
        EXPECT_EQ(mask[0], static_cast<uint8_t>((before & 0xC0) | (0xAA & 0x3F)));
        EXPECT_EQ(mask[1], static_cast<uint8_t>((before & 0x0F) | (0xAA & 0xF0)));
    }
}

TEST(CoverageMask, ScrollByAFullWidthOrHeightClearsTheMask)
{
    std::vector<uint8_t> mask(3 * 4, 0xFF);
    ScrollMask(mask.data(), 4, Rect(10, 20, 13, 34), 14, 0);
    EXPECT_EQ(mask, std::vector<uint8_t>(12, 0));
    mask.assign(12, 0x55);
    ScrollMask(mask.data(), 4, Rect(10, 20, 13, 34), 1, -3);
    EXPECT_EQ(mask, std::vector<uint8_t>(12, 0));
}

// A mask held one level a pixel, with guard bytes around the packed form.
struct MaskPair {
    static constexpr uint8_t kGuard = 0xA5;
    static constexpr int kGuardRows = 2;

    MaskPair(ShortRect rect, int extraBytes, std::mt19937& random) : rect(rect)
    {
        width = ShortRectWidth(rect);
        height = ShortRectHeight(rect);
        used = (width + 3) / 4;
        rowBytes = used + extraBytes;
        bytes.assign(static_cast<size_t>(height + 2 * kGuardRows) * rowBytes, kGuard);
        model.assign(static_cast<size_t>(width) * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                Set(y, x, static_cast<int>(random() % 4));
    }

    uint8_t* Mask() { return bytes.data() + kGuardRows * rowBytes; }
    void Set(int y, int x, int level)
    {
        model[static_cast<size_t>(y) * width + x] = level;
        uint8_t& b = Mask()[static_cast<size_t>(y) * rowBytes + x / 4];
        int shift = 6 - 2 * (x % 4);
        b = static_cast<uint8_t>((b & ~(3 << shift)) | (level << shift));
    }
    int Model(int y, int x) const { return model[static_cast<size_t>(y) * width + x]; }

    // Every pixel agrees with the model; guard rows untouched, and with
    // rowsUntouchedPastWidth also the bytes past each row's pixels.
    void Check(bool rowsUntouchedPastWidth, const char* what)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(MaskLevelAt(Mask(), rowBytes, y, x), Model(y, x)) << what << " at " << y << ',' << x;
        for (int i = 0; i < kGuardRows * rowBytes; ++i) {
            ASSERT_EQ(bytes[i], kGuard) << what;
            ASSERT_EQ(bytes[bytes.size() - 1 - i], kGuard) << what;
        }
        if (!rowsUntouchedPastWidth)
            return;
        for (int y = 0; y < height; ++y)
            for (int k = used; k < rowBytes; ++k)
                ASSERT_EQ(Mask()[static_cast<size_t>(y) * rowBytes + k], kGuard) << what;
    }

    ShortRect rect;
    int width, height, used, rowBytes;
    std::vector<uint8_t> bytes;
    std::vector<int> model;
};

TEST(CoverageMask, PackedOperationsMatchAPerPixelModel)
{
    std::mt19937 random(20261210);
    auto pick = [&](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
    for (int round = 0; round < 1500; ++round) {
        ShortRect rect = Rect(pick(-20, 20), pick(-20, 20), 0, 0);
        rect.bottom = static_cast<int16_t>(rect.top + pick(1, 9));
        rect.right = static_cast<int16_t>(rect.left + pick(1, 27));
        MaskPair dst(rect, pick(0, 2), random);
        switch (round % 3) {
        case 0: {
            ShortRect r = Rect(pick(-25, 30), pick(-25, 50), 0, 0);
            r.bottom = static_cast<int16_t>(r.top + pick(-2, 12));
            r.right = static_cast<int16_t>(r.left + pick(-2, 35));
            int level = pick(0, 3);
            FillMaskRect(dst.Mask(), dst.rowBytes, rect, r, level);
            for (int y = 0; y < dst.height; ++y)
                for (int x = 0; x < dst.width; ++x)
                    if (PointInShortRect(ShortPoint{static_cast<int16_t>(y + rect.top),
                                                    static_cast<int16_t>(x + rect.left)}, r))
                        dst.model[static_cast<size_t>(y) * dst.width + x] = level;
            dst.Check(true, "fill");
            break;
        }
        case 1: {
            int dh = pick(-dst.width - 1, dst.width + 1), dv = pick(-dst.height - 1, dst.height + 1);
            std::vector<int> before = dst.model;
            ScrollMask(dst.Mask(), dst.rowBytes, rect, dh, dv);
            for (int y = 0; y < dst.height; ++y)
                for (int x = 0; x < dst.width; ++x) {
                    int sy = y - dv, sx = x - dh;
                    bool inside = sy >= 0 && sy < dst.height && sx >= 0 && sx < dst.width &&
                                  std::abs(dh) < dst.width && std::abs(dv) < dst.height;
                    dst.model[static_cast<size_t>(y) * dst.width + x] =
                        inside ? before[static_cast<size_t>(sy) * dst.width + sx] : 0;
                }
            dst.Check(false, "scroll");
            break;
        }
        default: {
            ShortRect srcMask = Rect(pick(-20, 20), pick(-20, 20), 0, 0);
            srcMask.bottom = static_cast<int16_t>(srcMask.top + pick(1, 9));
            srcMask.right = static_cast<int16_t>(srcMask.left + pick(1, 27));
            MaskPair src(srcMask, pick(0, 2), random);
            // A part of the source, copied to a part of the same size that may
            // reach past the destination mask.
            int h = pick(1, src.height), w = pick(1, src.width);
            int top = srcMask.top + pick(0, src.height - h), left = srcMask.left + pick(0, src.width - w);
            ShortRect part = Rect(top, left, top + h, left + w);
            int dTop = pick(rect.top - 3, rect.bottom), dLeft = pick(rect.left - 5, rect.right);
            ShortRect target = Rect(dTop, dLeft, dTop + h, dLeft + w);
            std::vector<uint8_t> srcBefore = src.bytes;
            CopyMaskRect(src.Mask(), src.rowBytes, ShortPoint{srcMask.top, srcMask.left}, part, dst.Mask(),
                         dst.rowBytes, rect, target);
            for (int y = 0; y < dst.height; ++y)
                for (int x = 0; x < dst.width; ++x) {
                    int vy = y + rect.top, vx = x + rect.left;
                    if (vy >= target.top && vy < target.bottom && vx >= target.left && vx < target.right)
                        dst.model[static_cast<size_t>(y) * dst.width + x] =
                            src.Model(vy - target.top + top - srcMask.top, vx - target.left + left - srcMask.left);
                }
            dst.Check(true, "copy");
            ASSERT_EQ(src.bytes, srcBefore);
            break;
        }
        }
    }
}

}  // namespace
