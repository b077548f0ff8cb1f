#include "app/MovieRecorder.h"

#include "platform/MessageBox.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

namespace {

// A picture of the size, every pixel the colour (0xRRGGBB).
PictureHandle Picture(int32_t width, int32_t height, uint32_t colour)
{
    ShortRect r;
    SetShortRect(r, 0, 0, height, width);
    PictureHandle picture = AllocPictureHandle(r);
    auto* dib = static_cast<DibHeader*>(LockGlobalHandle(picture));
    auto* pixels = reinterpret_cast<uint32_t*>(GetPackedDibBits(dib));
    for (int32_t i = 0; i < width * height; ++i)
        pixels[i] = colour;
    UnlockGlobalHandle(picture);
    return picture;
}

uint32_t Read32(const QByteArray& b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + at);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

class MovieRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            messages.push_back(text);
            return true;
        });
        SetAviOptionsHook([] { return true; });
        path = QDir(dir.path()).filePath(QStringLiteral("m.avi"));
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetAviOptionsHook(nullptr);
    }
    QTemporaryDir dir;
    QString path;
    std::vector<std::u16string> messages;
};

// Frames keep the size the recording began with while the pane grows and
// shrinks; the recording ends itself after its frames.
TEST_F(MovieRecorderTest, FramesAreClippedToTheFirstSize)
{
    int32_t keepGoing = 0;
    int32_t grabbed = 0;
    {
        MovieRecorder recorder(path, &keepGoing, 6, 4, 3, [&] {
            ++grabbed;
            // A larger, then a smaller pane.
            return grabbed == 1 ? Picture(10, 9, 0x112233) : Picture(2, 2, 0x445566);
        });
        ASSERT_EQ(keepGoing, 1);
        for (int32_t i = 0; i < 5 && keepGoing; ++i)
            recorder.CaptureFrame();
        EXPECT_EQ(keepGoing, 0);
        EXPECT_EQ(recorder.FramesWritten(), 3);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray movie = file.readAll();
    const qsizetype first = movie.indexOf("00db");
    ASSERT_GT(first, 0);
    const uint32_t size = Read32(movie, first + 4);
    EXPECT_EQ(size, 4u * 20u);  // rows of 18 bytes padded to 20
    // The first frame's top-left pixel (last row of the bottom-up frame):
    // blue, green, red of the source.
    const qsizetype topRow = first + 8 + 3 * 20;
    EXPECT_EQ(static_cast<uint8_t>(movie[topRow]), 0x33);
    EXPECT_EQ(static_cast<uint8_t>(movie[topRow + 2]), 0x11);
    EXPECT_TRUE(messages.empty());
}

// A user who stops before the first frame leaves no movie; an empty pane
// records nothing.
TEST_F(MovieRecorderTest, NoFramesLeaveNoFile)
{
    int32_t keepGoing = 0;
    {
        MovieRecorder recorder(path, &keepGoing, 6, 4, 30, [] { return Picture(6, 4, 0); });
        keepGoing = 0;
        recorder.CaptureFrame();
        EXPECT_EQ(recorder.FramesWritten(), 0);
    }
    EXPECT_FALSE(QFile::exists(path));
    {
        MovieRecorder recorder(path, &keepGoing, 0, 4, 30, [] { return nullptr; });
        EXPECT_EQ(keepGoing, 0);
    }
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
