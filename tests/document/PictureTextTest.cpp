#include "CoreUtilities/Base64.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/PictureHandle.h"
#include "CoreUtilities/TextBufferStack.h"
#include "document/PictureText.h"
#include "support/PicturePixels.h"

#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A picture whose pixel (x, y), counted from the top, is color(x, y).
template <typename F>
PictureHandle MakePicture(int width, int height, F color)
{
    ShortRect r;
    SetShortRect(r, 0, 0, height, width);
    PictureHandle pic = NewPictureHandle(r);
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(pic));
    auto* bits = reinterpret_cast<uint32_t*>(GetPackedDibBits(header));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits[static_cast<size_t>(height - 1 - y) * width + x] = color(x, y);
    UnlockGlobalHandle(pic);
    return pic;
}

std::vector<uint8_t> Bytes(const PagedBuffer& buffer)
{
    std::vector<uint8_t> out(buffer.count);
    for (int32_t i = 0; i < buffer.count; ++i)
        out[i] = *buffer.ByteAt(i);
    return out;
}

std::string PictureText(PictureHandle pic)
{
    PushTextBuffer();
    bool written = WritePictureText(pic);
    int32_t length = 0;
    char* text = PopTextBuffer(&length);
    std::string out = written && text ? std::string(text, length) : std::string();
    BudgetFree(text);
    return out;
}

// The IHDR fields of a PNG: bit depth and colour type.
std::pair<int, int> DepthAndType(const std::vector<uint8_t>& png)
{
    return {png.at(24), png.at(25)};
}

// A colour per index that is never white (white is the surface beneath).
uint32_t Distinct(int index)
{
    return ((0x010203u * static_cast<uint32_t>(index + 1)) & 0xFFFFFF) ^ 0x400000;
}

TEST(PictureTextTest, ColourCountChoosesBitDepthAndRoundTripsExactly)
{
    struct Case {
        int colors;
        int depth;
        int colorType;
    } cases[] = {{1, 1, PNG_COLOR_TYPE_PALETTE},  {2, 1, PNG_COLOR_TYPE_PALETTE},
                 {3, 2, PNG_COLOR_TYPE_PALETTE},  {4, 2, PNG_COLOR_TYPE_PALETTE},
                 {5, 4, PNG_COLOR_TYPE_PALETTE},  {16, 4, PNG_COLOR_TYPE_PALETTE},
                 {17, 8, PNG_COLOR_TYPE_PALETTE}, {256, 8, PNG_COLOR_TYPE_PALETTE},
                 {257, 8, PNG_COLOR_TYPE_RGB},    {1000, 8, PNG_COLOR_TYPE_RGB}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colors);
        // Odd widths leave partly filled bytes at the end of packed rows.
        const int width = 37, height = (c.colors + width - 1) / width + 2;
        PictureHandle pic = MakePicture(width, height, [&](int x, int y) {
            return 0xFF000000u | Distinct((y * width + x) % c.colors);
        });
        PagedBuffer* png = WritePictureAsPng(pic, nullptr);
        ASSERT_NE(png, nullptr);
        std::vector<uint8_t> bytes = Bytes(*png);
        FreePngBuffer(png);
        EXPECT_EQ(DepthAndType(bytes), std::make_pair(c.depth, c.colorType));
        EXPECT_EQ(PaletteBitDepth(c.colors), c.colors > 256 ? 8 : c.depth);

        PictureHandle back = DecodePngPicture(bytes.data(), bytes.size());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(PicturePixels(back), PicturePixels(pic));
        FreeGlobalHandle(back);
        FreeGlobalHandle(pic);
    }
}

TEST(PictureTextTest, PackedRowsPutTheFirstPixelInTheTopBits)
{
    // Colours a, b, c, a, b: indices 0 1 2 0 1.
    const uint32_t row[5] = {0x112233, 0x445566, 0x778899, 0x112233, 0x445566};
    PngImage image{reinterpret_cast<const uint8_t*>(row), 20, 5, 1};
    PngPalette* palette = BuildPalette(image);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->count, 3);
    uint8_t* two = PackPaletteRows2(image, *palette);
    EXPECT_EQ(two[0], 0b00011000);
    EXPECT_EQ(two[1], 0b01000000);
    uint8_t* four = PackPaletteRows4(image, *palette);
    EXPECT_EQ(four[0], 0x01);
    EXPECT_EQ(four[1], 0x20);
    EXPECT_EQ(four[2], 0x10);
    BudgetFree(two);
    BudgetFree(four);
    BudgetFree(palette);
}

TEST(PictureTextTest, TextHasWholeGroupsWithoutFillAndPaddedTextDecodes)
{
    PictureHandle pic = MakePicture(9, 7, [](int x, int y) { return Distinct(x * 3 + y); });
    PagedBuffer* png = WritePictureAsPng(pic, nullptr);
    ASSERT_NE(png, nullptr);
    std::vector<uint8_t> bytes = Bytes(*png);
    FreePngBuffer(png);
    std::string text = PictureText(pic);
    EXPECT_EQ(text.size(), (bytes.size() + 2) / 3 * 4);
    EXPECT_EQ(text.find('='), std::string::npos);

    PictureHandle unpadded = DecodePictureText(text.data(), static_cast<int32_t>(text.size()));
    ASSERT_NE(unpadded, nullptr);
    EXPECT_EQ(PicturePixels(unpadded), PicturePixels(pic));

    // The same bytes as other programs write them: "=" fill in the last group.
    size_t rest = bytes.size() % 3;
    if (rest == 0) {
        bytes.push_back(0x42);  // bytes after the PNG's end are ignored
        rest = 1;
    }
    PushTextBuffer();
    WriteBase64(bytes.data(), bytes.size());
    int32_t length = 0;
    char* raw = PopTextBuffer(&length);
    std::string padded(raw, length);
    BudgetFree(raw);
    padded.replace(padded.size() - (3 - rest), 3 - rest, std::string(3 - rest, '='));
    PictureHandle fromPadded = DecodePictureText(padded.data(), static_cast<int32_t>(padded.size()));
    ASSERT_NE(fromPadded, nullptr);
    EXPECT_EQ(PicturePixels(fromPadded), PicturePixels(pic));
    // A length that is not whole groups is not picture text.
    EXPECT_EQ(DecodePictureText(text.data(), static_cast<int32_t>(text.size()) - 1), nullptr);

    FreeGlobalHandle(unpadded);
    FreeGlobalHandle(fromPadded);
    FreeGlobalHandle(pic);
}

// Rewrites the IHDR's width and height and its checksum.
void SetIhdrSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

TEST(PictureTextTest, DamagedOrHugeImagesAreRefusedBeforeAllocating)
{
    PictureHandle pic = MakePicture(4, 4, [](int x, int y) { return Distinct(x + y); });
    PagedBuffer* buffer = WritePictureAsPng(pic, nullptr);
    ASSERT_NE(buffer, nullptr);
    const std::vector<uint8_t> good = Bytes(*buffer);
    FreePngBuffer(buffer);
    FreeGlobalHandle(pic);

    struct Case {
        const char* what;
        std::vector<uint8_t> png;
    };
    std::vector<Case> cases;
    auto damaged = good;
    damaged[1] = 'Q';
    cases.push_back({"signature", damaged});
    damaged = good;
    damaged[18] ^= 0x40;  // width changed, checksum not
    cases.push_back({"header checksum", damaged});
    cases.push_back({"cut inside the header", std::vector<uint8_t>(good.begin(), good.begin() + 20)});
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{32768, 1}, {1, 32768}, {0, 4}, {0x7FFFFFFF, 0x7FFFFFFF}}) {
        damaged = good;
        SetIhdrSize(damaged, w, h);
        cases.push_back({"size out of range", damaged});
    }
    // Within a picture's sides but more than the memory the budget has left.
    damaged = good;
    SetIhdrSize(damaged, 32767, 32767);
    cases.push_back({"over the budget", damaged});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double before = MemoryBudgetCount();
        PlanBudgetRefusals(1, false);  // any picture block would be met and counted
        PictureHandle out = DecodePngPicture(c.png.data(), c.png.size());
        int64_t refusals = BudgetRefusalsMet();
        EndBudgetRefusals();
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(refusals, 0) << "nothing may be allocated for a refused image";
        EXPECT_EQ(MemoryBudgetCount(), before);
        FreeGlobalHandle(out);
    }
}

TEST(PictureTextTest, MemoryRefusalsGiveNoPictureAndLeakNothing)
{
    PictureHandle pic = MakePicture(20, 20, [](int x, int y) { return Distinct(x * y); });
    std::string text = PictureText(pic);
    ASSERT_FALSE(text.empty());
    double before = MemoryBudgetCount();
    for (int64_t k = 1; k < 40; ++k) {
        PlanBudgetRefusals(k, false);
        PushTextBuffer();
        WritePictureText(pic);
        BudgetFree(PopTextBuffer(nullptr));
        PictureHandle back = DecodePictureText(text.data(), static_cast<int32_t>(text.size()));
        EndBudgetRefusals();
        FreeGlobalHandle(back);
        EXPECT_EQ(MemoryBudgetCount(), before) << "refusal " << k;
    }
    FreeGlobalHandle(pic);
}

TEST(PictureTextTest, TransparentColourIsMarkedInBothForms)
{
    const uint8_t redBgr[3] = {0x00, 0x00, 0xFF};
    for (int colors : {3, 300}) {
        SCOPED_TRACE(colors);
        PictureHandle pic = MakePicture(20, 20, [&](int x, int y) {
            int i = (y * 20 + x) % colors;
            return i == 0 ? 0xFF0000u : Distinct(i);
        });
        PagedBuffer* png = WritePictureAsPng(pic, redBgr);
        ASSERT_NE(png, nullptr);
        std::vector<uint8_t> bytes = Bytes(*png);
        FreePngBuffer(png);
        std::string all(bytes.begin(), bytes.end());
        EXPECT_NE(all.find("tRNS"), std::string::npos);
        // The decoded picture carries the transparency in its fourth byte.
        PictureHandle back = DecodePngPicture(bytes.data(), bytes.size());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(PicturePixels(back), PicturePixels(pic));
        FreeGlobalHandle(back);
        FreeGlobalHandle(pic);
    }
}

}  // namespace
