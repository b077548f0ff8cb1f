// Bitmap files into pictures: every uncompressed depth, row padding and
// orientation, and hostile headers refused with a failure code before any
// large block is taken.
#include "platform/CDib.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "support/BudgetRefusal.h"

#include <QTemporaryDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, size_t at, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Bmp {
    int32_t width = 1, height = 1;
    uint16_t bpp = 24;
    uint32_t clrUsed = 0;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    Bytes pixels;                   // as stored: bottom row first, padded

    Bytes File() const
    {
        size_t tableBytes = 4 * palette.size();
        size_t offset = 14 + headerSize + tableBytes;
        Bytes b(offset + pixels.size());
        b[0] = 'B';
        b[1] = 'M';
        Put(b, 2, static_cast<uint32_t>(b.size()), 4);
        Put(b, 10, static_cast<uint32_t>(offset), 4);
        Put(b, 14, headerSize, 4);
        Put(b, 18, static_cast<uint32_t>(width), 4);
        Put(b, 22, static_cast<uint32_t>(height), 4);
        Put(b, 26, 1, 2);
        Put(b, 28, bpp, 2);
        Put(b, 30, compression, 4);
        Put(b, 46, clrUsed, 4);
        for (size_t i = 0; i < palette.size(); ++i)
            Put(b, 14 + headerSize + 4 * i, palette[i], 4);
        std::memcpy(b.data() + offset, pixels.data(), pixels.size());
        return b;
    }
};

size_t Read(CDib& dib, const Bytes& file, bool noFileHeader = false)
{
    if (noFileHeader)
        return dib.ReadBytes(file.data() + 14, file.size() - 14, true);
    return dib.ReadBytes(file.data(), file.size(), false);
}

TEST(CDib, EachDepthGivesTheColoursInTheirPlaces)
{
    struct Case {
        const char* what;
        Bmp bmp;
        std::vector<uint32_t> topDown;  // expected 0x00RRGGBB, row by row from the top
    };
    std::vector<uint32_t> grey16(16);
    for (uint32_t i = 0; i < 16; ++i)
        grey16[i] = i * 0x111111;
    const Case cases[] = {
        {"1 bit, set bits take entry 1", {3, 2, 1, 0, 0, 40, {0x000000, 0xFFFFFF}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}},
         {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF}},
        {"4 bits, high nibble first", {3, 1, 4, 0, 0, 40, grey16, {0x1F, 0x30, 0, 0}},
         {0x111111, 0xFFFFFF, 0x333333}},
        {"8 bits with a 16-entry table", {2, 1, 8, 16, 0, 40, grey16, {15, 2, 0, 0}},
         {0xFFFFFF, 0x222222}},
        {"16 bits, five bits a channel", {2, 1, 16, 0, 0, 40, {}, {0x00, 0x7C, 0x1F, 0x00}},
         {0xF80000, 0x0000F8}},
        {"24 bits, rows padded to 12 bytes", {3, 2, 24, 0, 0, 40, {},
            {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}},
         {0x0C0B0A, 0x0F0E0D, 0x121110, 0x030201, 0x060504, 0x090807}},
        {"32 bits", {1, 2, 32, 0, 0, 40, {}, {0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0}},
         {0x445566, 0x112233}},
        {"top-down rows (negative height)", {1, -2, 24, 0, 0, 40, {}, {1, 2, 3, 0, 4, 5, 6, 0}},
         {0x030201, 0x060504}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool noFileHeader : {false, true}) {
            CDib dib;
            Bytes file = c.bmp.File();
            ASSERT_EQ(Read(dib, file, noFileHeader), file.size() - (noFileHeader ? 14 : 0));
            ASSERT_TRUE(dib.IsValid());
            int32_t height = c.bmp.height < 0 ? -c.bmp.height : c.bmp.height;
            ASSERT_EQ(dib.GetWidth(), c.bmp.width);
            ASSERT_EQ(dib.GetHeight(), height);
            for (int32_t y = 0; y < height; ++y)
                for (int32_t x = 0; x < c.bmp.width; ++x)
                    EXPECT_EQ(dib.GetPixel(x, y), c.topDown[y * c.bmp.width + x]) << x << ',' << y;
            EXPECT_EQ(dib.GetPixel(-1, 0), 0u);
            EXPECT_EQ(dib.GetPixel(0, height), 0u);
        }
    }
}

TEST(CDib, APictureIsOpaqueAndBottomUp)
{
    Bmp bmp{3, 2, 24, 0, 0, 40, {},
            {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}};
    CDib dib;
    ASSERT_NE(Read(dib, bmp.File()), 0u);
    PictureHandle picture = dib.MakePicture();
    ASSERT_NE(picture, nullptr);
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    EXPECT_EQ(ShortRectWidth(bounds), 3);
    EXPECT_EQ(ShortRectHeight(bounds), 2);
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    auto* pixels = reinterpret_cast<const uint32_t*>(GetPackedDibBits(header));
    EXPECT_EQ(pixels[0], 0xFF030201u);  // the bottom row first
    EXPECT_EQ(pixels[5], 0xFF121110u);
    UnlockGlobalHandle(picture);
    FreeGlobalHandle(picture);
}

TEST(CDib, HostileFilesAreRefusedWithAFailureCode)
{
    auto withBytes = [](Bytes b, size_t at, uint32_t value, int size) {
        Put(b, at, value, size);
        return b;
    };
    Bytes good = Bmp{2, 2, 24, 0, 0, 40, {}, Bytes(16, 0x80)}.File();
    Bytes indexed = Bmp{2, 1, 8, 2, 0, 40, {0xFF0000, 0x00FF00}, {0, 200, 0, 0}}.File();
    struct Case {
        const char* what;
        Bytes file;
        int32_t failure;  // 0: read, but must stay inside the image
    } cases[] = {
        {"empty", {}, FailureUnreadableFile},
        {"bad magic", withBytes(good, 0, 'P' | 'K' << 8, 2), FailureUnreadableFile},
        {"only the file header", Bytes(good.begin(), good.begin() + 14), FailureUnreadableFile},
        {"short info header", Bytes(good.begin(), good.begin() + 30), FailureUnreadableFile},
        {"unknown header size", withBytes(good, 14, 41, 4), FailureUnreadableFile},
        {"width 0", withBytes(good, 18, 0, 4), FailureUnreadableFile},
        {"width beyond a picture", withBytes(good, 18, 40000, 4), FailureUnreadableFile},
        {"height beyond a picture", withBytes(good, 22, 40000, 4), FailureUnreadableFile},
        {"most negative height", withBytes(good, 22, 0x80000000u, 4), FailureUnreadableFile},
        {"larger than the budget", withBytes(withBytes(good, 18, 32767, 4), 22, 32767, 4), FailureOutOfMemory},
        {"7 bits per pixel", withBytes(good, 28, 7, 2), FailureUnreadableFile},
        {"unknown compression", withBytes(good, 30, 9, 4), FailureUnreadableFile},
        {"huge colour count", withBytes(indexed, 46, 0xFFFFFFFFu, 4), -1},
        {"pixel data cut short", Bytes(good.begin(), good.end() - 10), -1},
        {"palette index beyond the table", indexed, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetFailureRegister();
        double before = MemoryBudgetCount();
        CDib dib;
        size_t read = Read(dib, c.file);
        if (c.failure >= 0) {
            EXPECT_EQ(read, 0u);
            EXPECT_FALSE(dib.IsValid());
            EXPECT_EQ(dib.Failure(), c.failure);
            EXPECT_EQ(MemoryBudgetCount(), before);
        } else if (read) {
            // What the reader made of it: a bitmap of the header's size,
            // every pixel readable.
            EXPECT_TRUE(dib.IsValid());
            EXPECT_EQ(dib.GetWidth(), 2);
            for (int y = 0; y < dib.GetHeight(); ++y)
                for (int x = 0; x < dib.GetWidth(); ++x)
                    dib.GetPixel(x, y);
        } else {
            EXPECT_NE(dib.Failure(), 0);
        }
        EXPECT_FALSE(IsFailurePending());
    }
}

TEST(CDib, AFullBudgetRefusesBeforeDecoding)
{
    Bytes file = Bmp{2, 2, 24, 0, 0, 40, {}, Bytes(16, 0x80)}.File();
    CDib dib;
    {
        BudgetRefusal refusal;
        EXPECT_EQ(Read(dib, file), 0u);
        EXPECT_EQ(dib.Failure(), FailureOutOfMemory);
    }
    EXPECT_FALSE(dib.IsValid());
    EXPECT_NE(Read(dib, file), 0u);
    EXPECT_EQ(dib.Failure(), 0);
    ResetFailureRegister();
}

TEST(CDib, FilesAreReadByPath)
{
    QTemporaryDir dir;
    Bytes file = Bmp{1, 1, 24, 0, 0, 40, {}, {1, 2, 3, 0}}.File();
    QString path = dir.filePath(QStringLiteral("one.bmp"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size()));
    out.close();
    CDib dib;
    EXPECT_EQ(dib.Read(path.toUtf8().constData(), false), file.size());
    EXPECT_EQ(dib.GetPixel(0, 0), 0x030201u);
    EXPECT_EQ(dib.Read(dir.filePath(QStringLiteral("missing.bmp")).toUtf8().constData(), false), 0u);
    EXPECT_EQ(dib.Failure(), FailureUnreadableFile);
    EXPECT_FALSE(dib.IsValid());
}

TEST(DibNumColors, FollowsTheBitCountAndNeverExceedsIt)
{
    struct Case {
        uint16_t bpp;
        uint32_t used, expected;
    } cases[] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {24, 0, 0}, {8, 16, 16}, {8, 100000, 256},
                 {1, 5, 2}, {24, 3, 3}, {32, 100000, 256}};
    for (const Case& c : cases) {
        DibHeader h{};
        h.biBitCount = c.bpp;
        h.biClrUsed = c.used;
        EXPECT_EQ(DibNumColors(h), c.expected) << c.bpp << ' ' << c.used;
    }
}

}  // namespace
