#include "platform/CDLLVersion.h"
#include "platform/CLog.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace {

QStringList ReadLines(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// The part after "[log <time>] ", after checking the time's asctime form.
QString Message(const QString& line)
{
    static const QRegularExpression form(
        QStringLiteral("^\\[log (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                       "[ 123]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\\] (.*)$"));
    QRegularExpressionMatch match = form.match(line);
    EXPECT_TRUE(match.hasMatch()) << line.toStdString();
    return match.captured(3);
}

class CLogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            shown.push_back(QString::fromStdU16String(text));
            return true;
        });
        CLog::SetLibraryVersionSource([] { return std::vector<std::string>{"Qt test", "libpng test"}; });
    }
    void TearDown() override
    {
        CLog::Get().SetFileName(std::string());
        CLog::SetLibraryVersionSource(nullptr);
        SetMessageBoxHook(nullptr);
    }

    QTemporaryDir dir;
    QStringList shown;
};

TEST_F(CLogTest, FirstWriteCreatesTheProcessFileWithItsHeaderThenEachLine)
{
    EXPECT_EQ(DefaultLogFileName(), "vldebug." + std::to_string(getpid()) + ".log");
    CLog& log = CLog::Get();
    log.SetFolder(dir.path().toStdString() + "/state/Vellumor");
    log.SetFileName("vldebug.1234.log");
    EXPECT_FALSE(log.IsOpen());
    log.Write("DDERR_SURFACELOST in FramePresentation.cpp line 88");
    log.Write("second");
    EXPECT_TRUE(log.IsOpen());
    log.SetFileName("vldebug.1235.log");  // closes the first
    EXPECT_FALSE(log.IsOpen());

    QStringList lines = ReadLines(dir.path().toStdString() + "/state/Vellumor/vldebug.1234.log");
    ASSERT_EQ(lines.size(), 8);
    std::string tag;
    ASSERT_TRUE(GetOSVersionTag(tag));
    const QString expected[] = {QStringLiteral("opening log"),
                                QStringLiteral("System version ") + QString::fromStdString(tag),
                                QStringLiteral("Vellumor Version 4.0.0.0"),
                                QStringLiteral("Qt test"),
                                QStringLiteral("libpng test"),
                                QStringLiteral("DDERR_SURFACELOST in FramePresentation.cpp line 88"),
                                QStringLiteral("second"),
                                QStringLiteral("closing log")};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Message(lines[i]), expected[i]);
    EXPECT_TRUE(shown.isEmpty());

    // A later run appends its own header to what is there.
    log.SetFileName("vldebug.1234.log");
    log.Write("again");
    log.Close();
    lines = ReadLines(dir.path().toStdString() + "/state/Vellumor/vldebug.1234.log");
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(Message(lines[8]), QStringLiteral("opening log"));
    EXPECT_EQ(Message(lines[13]), QStringLiteral("again"));
}

// A log that cannot open says so at every attempt; the message is lost and
// the next write tries again.
TEST_F(CLogTest, FailureToOpenIsShownAndRetriedAtTheNextWrite)
{
    QFile blocker(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CLog& log = CLog::Get();
    log.SetFolder(dir.path().toStdString() + "/file");
    log.SetFileName("vldebug.1.log");
    log.Write("lost");
    log.Write("lost too");
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("Log file failed to open: ") + dir.path() + QStringLiteral("/file/vldebug.1.log"));

    log.SetFolder(dir.path().toStdString());
    log.Write("kept");
    log.Close();
    QStringList lines = ReadLines(dir.path().toStdString() + "/vldebug.1.log");
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(Message(lines[lines.size() - 2]), QStringLiteral("kept"));
    EXPECT_EQ(shown.size(), 2);

    // Without a file name nothing is written and nothing is shown.
    log.SetFileName(std::string());
    log.Write("nowhere");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(shown.size(), 2);
}

TEST(CDLLVersionTest, VersionTextsGiveTheirFourNumbers)
{
    struct {
        const char* text;
        bool valid;
        uint32_t major, minor, third, fourth;
    } const cases[] = {
        {"5, 30, 0, 1", true, 5, 30, 0, 1},
        {"5.30.7", true, 5, 30, 0, 7},
        {"5.30.0.1", true, 5, 30, 0, 1},
        {"4.0.0", true, 4, 0, 0, 0},
        {"6,1,7600,16385", true, 6, 1, 7600, 16385},
        {"5.30.7 (build note)", true, 5, 30, 0, 7},
        {"5.30", false, 0, 0, 0, 0},
        {"5,30,7", false, 0, 0, 0, 0},
        {"1.2.3.4.5", false, 0, 0, 0, 0},
        {"5.30.", false, 0, 0, 0, 0},
        {"5.x.7", false, 0, 0, 0, 0},
        {"4294967296.1.2", false, 0, 0, 0, 0},
        {"-1.2.3", false, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CDLLVersion v{std::string(c.text)};
        EXPECT_EQ(v.valid, c.valid);
        EXPECT_EQ(v.major, c.major);
        EXPECT_EQ(v.minor, c.minor);
        EXPECT_EQ(v.third, c.third);
        EXPECT_EQ(v.fourth, c.fourth);
    }
    EXPECT_TRUE(CDLLVersion::Program().valid);
    EXPECT_EQ(CDLLVersion::Program().major, 4u);
}

TEST(CDLLVersionTest, SystemTagHoldsOnlyPlainCharactersAndTheStateFolderFollowsTheEnvironment)
{
    std::string tag;
    ASSERT_TRUE(GetOSVersionTag(tag));
    EXPECT_FALSE(tag.empty());
    EXPECT_EQ(tag.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-"),
              std::string::npos);

    const char* saved = getenv("XDG_STATE_HOME");
    std::string keep = saved ? saved : "";
    std::string home = getenv("HOME") ? getenv("HOME") : "";
    setenv("XDG_STATE_HOME", "/tmp/st", 1);
    EXPECT_EQ(DefaultLogFolder(), "/tmp/st/Vellumor");
    setenv("XDG_STATE_HOME", "relative", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DefaultLogFolder(), "/home/u/.local/state/Vellumor");
    setenv("HOME", home.c_str(), 1);
    if (saved)
        setenv("XDG_STATE_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

}  // namespace
