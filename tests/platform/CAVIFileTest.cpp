#include "platform/CAVIFile.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t Read32(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0xDEADBEEF;
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string Code(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? std::string(b.constData() + at, 4) : std::string();
}

// What a player needs of the file, found by walking its chunks rather than
// by fixed offsets.
struct ParsedMovie {
    bool riffOk = false;
    uint32_t totalFrames = 0, streamLength = 0, rate = 0, scale = 0, width = 0, height = 0;
    std::string streamType;
    std::vector<uint32_t> frameSizes;
    std::vector<uint32_t> keyFrames;
    std::vector<std::string> framePixels;
};

ParsedMovie Parse(const QByteArray& b)
{
    ParsedMovie m;
    m.riffOk = Code(b, 0) == "RIFF" && Code(b, 8) == "AVI " && Read32(b, 4) + 8 == static_cast<uint32_t>(b.size());
    qsizetype moviType = -1;
    // Chunks and lists, depth first.
    std::vector<std::pair<qsizetype, qsizetype>> spans = {{12, b.size()}};
    while (!spans.empty()) {
        auto [at, end] = spans.back();
        spans.pop_back();
        while (at + 8 <= end) {
            const std::string id = Code(b, at);
            const uint32_t size = Read32(b, at + 4);
            const qsizetype data = at + 8;
            if (id == "LIST") {
                if (Code(b, data) == "movi")
                    moviType = data;
                spans.push_back({data + 4, data + size});
            } else if (id == "avih") {
                m.totalFrames = Read32(b, data + 16);
                m.width = Read32(b, data + 32);
                m.height = Read32(b, data + 36);
            } else if (id == "strh") {
                m.streamType = Code(b, data);
                m.scale = Read32(b, data + 20);
                m.rate = Read32(b, data + 24);
                m.streamLength = Read32(b, data + 32);
            } else if (id == "idx1") {
                for (uint32_t e = 0; e + 16 <= size; e += 16) {
                    const uint32_t offset = Read32(b, data + e + 8);
                    const uint32_t length = Read32(b, data + e + 12);
                    if ((Read32(b, data + e + 4) & 0x10) != 0)
                        m.keyFrames.push_back(e / 16);
                    m.frameSizes.push_back(length);
                    const qsizetype frame = moviType + offset;
                    if (moviType >= 0 && Code(b, frame) == "00db" && Read32(b, frame + 4) == length)
                        m.framePixels.emplace_back(b.constData() + frame + 8, length);
                }
            }
            at = data + size + (size & 1);
        }
    }
    return m;
}

DibHeader Frame24(int32_t width, int32_t height)
{
    DibHeader h = {};
    h.biSize = sizeof(DibHeader);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biSizeImage = static_cast<uint32_t>(height * ((width * 3 + 3) & ~3));
    return h;
}

class CAVIFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            messages.push_back(text);
            return true;
        });
        SetAviOptionsHook([this] { return acceptOptions; });
        path = dir.filePath(QStringLiteral("movie.avi")).toStdString();
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetAviOptionsHook(nullptr);
    }
    bool MovieExists() const { return QFile::exists(QString::fromStdString(path)); }
    // Only the movie itself may be in the folder: no temporary file stays.
    int FilesInFolder() const { return static_cast<int>(QDir(dir.path()).entryList(QDir::Files).size()); }

    QTemporaryDir dir;
    std::string path;
    bool acceptOptions = true;
    std::vector<std::u16string> messages;
};

// A recorder's movie: 15 frames a second, every 45th frame a key frame,
// frames read back whole and in order.
TEST_F(CAVIFileTest, AMovieReadsBackWithItsHeadersIndexAndFrames)
{
    const DibHeader format = Frame24(5, 3); // odd width: rows are padded
    {
        CAVIFile movie(path, 15);
        ASSERT_TRUE(movie.CreateStream(format));
        std::vector<uint8_t> bits(format.biSizeImage);
        for (int32_t frame = 0; frame < 91; ++frame) {
            std::memset(bits.data(), frame, bits.size());
            ASSERT_TRUE(movie.WriteFrame(format, bits.data(), frame % 45 == 0));
        }
        movie.Close();
    }
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const ParsedMovie m = Parse(file.readAll());
    EXPECT_TRUE(m.riffOk);
    EXPECT_EQ(m.streamType, "vids");
    EXPECT_EQ(m.totalFrames, 91u);
    EXPECT_EQ(m.streamLength, 91u);
    EXPECT_EQ(m.rate, 15u);
    EXPECT_EQ(m.scale, 1u);
    EXPECT_EQ(m.width, 5u);
    EXPECT_EQ(m.height, 3u);
    EXPECT_EQ(m.keyFrames, (std::vector<uint32_t>{0, 45, 90}));
    ASSERT_EQ(m.framePixels.size(), 91u);
    for (int32_t frame : {0, 1, 44, 90})
        EXPECT_EQ(m.framePixels[frame], std::string(format.biSizeImage, static_cast<char>(frame)));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(FilesInFolder(), 1);

    // A player's reader, where one is installed, sees the same movie.
    const QString probe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (probe.isEmpty())
        return;
    QProcess p;
    p.start(probe, {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                    "stream=width,height,r_frame_rate,nb_read_frames", "-of", "csv=p=0",
                    QString::fromStdString(path)});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray("5,3,15/1,91"));
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}

// Cancelling the compression choice is silent and leaves no file; a bad
// format or a frame of another size shows its error, leaves no file, and the
// writer then refuses quietly.
TEST_F(CAVIFileTest, RefusedAndFailedMoviesLeaveNoFile)
{
    acceptOptions = false;
    {
        CAVIFile movie(path, 15);
        EXPECT_FALSE(movie.CreateStream(Frame24(4, 4)));
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(MovieExists());

    acceptOptions = true;
    DibHeader lying = Frame24(4, 4);
    lying.biSizeImage = 7;
    {
        CAVIFile movie(path, 15);
        EXPECT_FALSE(movie.CreateStream(lying));
        EXPECT_FALSE(movie.CreateStream(Frame24(4, 4)));
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], u"AVI: Bad param");
    EXPECT_FALSE(MovieExists());

    messages.clear();
    {
        const DibHeader format = Frame24(4, 4);
        std::vector<uint8_t> bits(format.biSizeImage * 4);
        CAVIFile movie(path, 15);
        ASSERT_TRUE(movie.CreateStream(format));
        ASSERT_TRUE(movie.WriteFrame(format, bits.data(), true));
        EXPECT_FALSE(movie.WriteFrame(Frame24(8, 8), bits.data(), false));
        EXPECT_FALSE(movie.WriteFrame(format, bits.data(), false));
    }
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(MovieExists());
    EXPECT_EQ(FilesInFolder(), 0);
}

// A movie the user stops early keeps the frames written so far, even when
// the writer is destroyed without being closed.
TEST_F(CAVIFileTest, AMovieStoppedEarlyKeepsItsFrames)
{
    const DibHeader format = Frame24(2, 2);
    std::vector<uint8_t> bits(format.biSizeImage, 7);
    {
        CAVIFile movie(path, 15);
        ASSERT_TRUE(movie.CreateStream(format));
        ASSERT_TRUE(movie.WriteFrame(format, bits.data(), true));
        ASSERT_TRUE(movie.WriteFrame(format, bits.data(), false));
    }
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const ParsedMovie m = Parse(file.readAll());
    EXPECT_TRUE(m.riffOk);
    EXPECT_EQ(m.totalFrames, 2u);
    EXPECT_EQ(m.framePixels.size(), 2u);
}

TEST(AviErrorTextTest, CodesGiveTheirTexts)
{
    EXPECT_EQ(AviErrorText(AviError(102)), AviErrorText(AviError(104)));
    EXPECT_EQ(AviErrorText(AviError(113)), u"A suitable compressor cannot be found");
    EXPECT_EQ(AviErrorText(-1),
              u"An internal error occurred while writing the file. Please try another compression type.");
    for (int32_t unknown : {AviError(100), AviError(118), AviError(200), 0, 113})
        EXPECT_TRUE(AviErrorText(unknown).empty()) << unknown;
}

} // namespace
