#include "app/Preferences.h"
#include "document/DocState.h"
#include "platform/MessageBox.h"
#include "rendering/ViewRenderContext.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>
#include <string>

namespace {

// Each test writes its own settings file, never the user's.
class PreferencesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        SetDefaultPreferences();
    }
    void TearDown() override { SetDefaultPreferences(); }

    // The user's settings file, as a text editor would leave it. The store
    // rereads a file only when its time or size changed, so each case of a
    // table gets a file of its own.
    QString WriteSettingsFile(const char* lines, const QString& name = QStringLiteral("Vellumor"))
    {
        QString path = dir.path() + QStringLiteral("/Kestrane/") + name + QStringLiteral(".conf");
        QDir().mkpath(dir.path() + QStringLiteral("/Kestrane"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\n");
        file.write(lines);
        return path;
    }

    static void ExpectDefaults()
    {
        const DocumentPreferences& p = GetPreferences();
        EXPECT_EQ(p.significantDigits, 6);
        EXPECT_EQ(p.mainFontSize, 24);
        EXPECT_STREQ(p.typeface, "Times New Roman");
        EXPECT_EQ(p.backgroundType, 1);
        EXPECT_EQ(p.backgroundColor[0], 0);
        EXPECT_EQ(p.backgroundColor[1], 0);
        EXPECT_EQ(p.backgroundColor[2], 0);
        EXPECT_FALSE(p.graphsToTheRight);
        EXPECT_EQ(GetHardwareAcceleration(), 0);
    }

    QTemporaryDir dir;
};

struct StoredCase {
    const char* line;
    int digits;
    int fontSize;
    const char* typeface;
    int backType;
    int red;
};

// Each row stores one value; what is out of range, damaged or of the wrong
// kind keeps the default (a colour component outside a byte gives 0).
TEST_F(PreferencesTest, StoredValuesOutsideTheirRangesKeepTheDefaults)
{
    const StoredCase cases[] = {
        {"SigFigs=0\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=15\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=14\n", 14, 24, "Times New Roman", 1, 0},
        {"SigFigs=1\n", 1, 24, "Times New Roman", 1, 0},
        {"SigFigs=-3\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=4294967297\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=99999999999999999999999\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=7x\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=8, 9\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\a)\n", 7, 24, "Times New Roman", 1, 0},
        {"SigFigs=@ByteArray(7)\n", 6, 24, "Times New Roman", 1, 0},
        {"SigFigs=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xfe)\n", 6, 24, "Times New Roman", 1, 0},
        {"SubMainFontSize=5\n", 6, 24, "Times New Roman", 1, 0},
        {"SubMainFontSize=73\n", 6, 24, "Times New Roman", 1, 0},
        {"SubMainFontSize=72\n", 6, 72, "Times New Roman", 1, 0},
        {"SubMainFontSize=6\n", 6, 6, "Times New Roman", 1, 0},
        {"Typeface=\n", 6, 24, "Times New Roman", 1, 0},
        {"Typeface=Liberation Sans\n", 6, 24, "Liberation Sans", 1, 0},
        {"Typeface=\"Ar\\\"ial\"\n", 6, 24, "Times New Roman", 1, 0},
        {"Typeface=Tab\\tFace\n", 6, 24, "Times New Roman", 1, 0},
        {"Typeface=\\x10e8\\x10e5\n", 6, 24, "\xe1\x83\xa8\xe1\x83\xa5", 1, 0},
        {"Typeface=123456789012345678901234567890123456789012345678901234567890123\n", 6, 24,
         "123456789012345678901234567890123456789012345678901234567890123", 1, 0},
        {"Typeface=1234567890123456789012345678901234567890123456789012345678901234\n", 6, 24,
         "Times New Roman", 1, 0},
        {"BackType=3\n", 6, 24, "Times New Roman", 1, 0},
        {"BackType=-1\n", 6, 24, "Times New Roman", 1, 0},
        {"BackType=0\n", 6, 24, "Times New Roman", 0, 0},
        {"BackType=2\n", 6, 24, "Times New Roman", 2, 0},
        {"BackR=255\n", 6, 24, "Times New Roman", 1, 255},
        {"BackR=256\n", 6, 24, "Times New Roman", 1, 0},
        {"BackR=-1\n", 6, 24, "Times New Roman", 1, 0},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.line);
        QSettings settings(WriteSettingsFile(c.line, QString::number(&c - cases)), QSettings::IniFormat);
        EXPECT_TRUE(LoadPreferencesFrom(settings));
        const DocumentPreferences& p = GetPreferences();
        EXPECT_EQ(p.significantDigits, c.digits);
        EXPECT_EQ(p.mainFontSize, c.fontSize);
        EXPECT_STREQ(p.typeface, c.typeface);
        EXPECT_EQ(p.backgroundType, c.backType);
        EXPECT_EQ(p.backgroundColor[0], c.red);
    }
}

TEST_F(PreferencesTest, RendererChoiceAndSideBySideFlagReadAnyNumber)
{
    struct {
        const char* lines;
        int32_t hardware;
        bool right;
    } const cases[] = {
        {"UseHWAccleration=0\nGraphsToRight=0\n", 1, false},
        {"UseHWAccleration=1\nGraphsToRight=1\n", 2, true},
        {"UseHWAccleration=77\nGraphsToRight=-5\n", 2, true},
        {"UseHWAccleration=yes\nGraphsToRight=true\n", 0, false},
        {"SigFigs=6\n", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        QSettings settings(WriteSettingsFile(c.lines, QString::number(&c - cases)), QSettings::IniFormat);
        LoadPreferencesFrom(settings);
        EXPECT_EQ(GetHardwareAcceleration(), c.hardware);
        EXPECT_EQ(GetPreferences().graphsToTheRight, c.right);
    }
}

TEST_F(PreferencesTest, NoStoredPreferencesOrAnUnreadableFileKeepEveryDefault)
{
    GetPreferences().significantDigits = 9;
    EXPECT_FALSE(LoadPreferences());
    ExpectDefaults();

    // Lines that are no settings at all are skipped; the good one still counts.
    WriteSettingsFile("SigFigs=9\n\x01\xff\xfe[[[=\n=\n\\\n");
    EXPECT_TRUE(LoadPreferences());
    EXPECT_EQ(GetPreferences().significantDigits, 9);
    EXPECT_EQ(GetPreferences().mainFontSize, 24);

    if (geteuid() != 0) {
        QFile::setPermissions(dir.path() + QStringLiteral("/Kestrane/Vellumor.conf"), QFileDevice::Permissions());
        EXPECT_FALSE(LoadPreferences());
        ExpectDefaults();
    }
}

// What one run saves, the next run reads; a new document then takes it.
TEST_F(PreferencesTest, SavedPreferencesAreReadByTheNextRunAndGiveNewDocumentsTheirSettings)
{
    DocumentPreferences& p = GetPreferences();
    p.significantDigits = 11;
    p.mainFontSize = 36;
    std::strcpy(p.typeface, "DejaVu Serif");
    p.backgroundType = 0;
    p.backgroundColor[0] = 10;
    p.backgroundColor[1] = 128;
    p.backgroundColor[2] = 255;
    p.graphsToTheRight = true;
    SetHardwareAcceleration(1);
    ASSERT_TRUE(SavePreferences());

    SetDefaultPreferences();
    ASSERT_TRUE(LoadPreferences());
    EXPECT_EQ(p.significantDigits, 11);
    EXPECT_EQ(p.mainFontSize, 36);
    EXPECT_STREQ(p.typeface, "DejaVu Serif");
    EXPECT_EQ(p.backgroundType, 0);
    EXPECT_EQ(p.backgroundColor[0], 10);
    EXPECT_EQ(p.backgroundColor[1], 128);
    EXPECT_EQ(p.backgroundColor[2], 255);
    EXPECT_TRUE(p.graphsToTheRight);
    EXPECT_EQ(GetHardwareAcceleration(), 1);

    DocumentHooks& hooks = GetDocumentHooks();
    auto saved = hooks.preferences;
    hooks.preferences = [] { return static_cast<const DocumentPreferences*>(&GetPreferences()); };
    DocState doc;
    ApplyPreferencesToDocument(&doc);
    hooks.preferences = saved;
    EXPECT_EQ(doc.SignificantDigits, 11);
    EXPECT_EQ(doc.FontSizes, 36);
    EXPECT_STREQ(doc.FontName, "DejaVu Serif");
    EXPECT_TRUE(doc.StackPanes);
}

// A renderer choice never made is not stored: stored as 0 it would force
// software drawing from the next start on.
TEST_F(PreferencesTest, UnsetRendererChoiceIsNotStoredAndOpenGlSurvivesARun)
{
    ASSERT_TRUE(SavePreferences());
    LoadPreferences();
    EXPECT_EQ(GetHardwareAcceleration(), 0);
    SetHardwareAcceleration(2);
    ASSERT_TRUE(SavePreferences());
    SetDefaultPreferences();
    LoadPreferences();
    EXPECT_EQ(GetHardwareAcceleration(), 2);
}

TEST_F(PreferencesTest, ResetDeletesEverySettingAndTheNextLoadRestoresEveryDefault)
{
    WriteSettingsFile("SigFigs=3\nSubMainFontSize=12\nTypeface=Arial\nBackType=2\nBackR=9\nBackG=9\nBackB=9\n"
                      "GraphsToRight=1\nUseHWAccleration=0\nFrameSizeX=800\n");
    {
        QSettings former(QStringLiteral("Kestrane"), QStringLiteral("Ondrel"));
        former.setValue(QStringLiteral("SigFigs"), 4);
    }
    ASSERT_TRUE(LoadPreferences());
    EXPECT_EQ(GetPreferences().significantDigits, 3);
    EXPECT_EQ(GetHardwareAcceleration(), 1);

    EXPECT_TRUE(ResetRegistrySettings());
    EXPECT_TRUE(QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor")).allKeys().isEmpty());
    EXPECT_TRUE(QSettings(QStringLiteral("Kestrane"), QStringLiteral("Ondrel")).allKeys().isEmpty());
    EXPECT_FALSE(LoadPreferences());
    ExpectDefaults();

    // The in-memory reset alone restores every default too.
    GetPreferences().mainFontSize = 50;
    GetPreferences().typeface[0] = 'X';
    SetHardwareAcceleration(2);
    SetDefaultPreferences();
    ExpectDefaults();
}

}  // namespace
