#include "app/CPrefDialog.h"
#include "app/Preferences.h"
#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "support/TestApp.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(CPrefDialogTest, PreviewsOnTheDocumentCancelRestoresItAndOkStoresThePreferences)
{
    TestApp();
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    SetDefaultPreferences();
    DocState doc;
    doc.SignificantDigits = 9;
    doc.FontSizes = 30;
    {
        CPrefDialog dialog(&doc);
        EXPECT_FALSE(dialog.IsChanged());
        // Digits 0 and 15 are refused, 14 taken; the font size keeps 6-72.
        for (const char* text : {"0", "15", "abc"}) {
            dialog.m_digits->setText(QString::fromLatin1(text));
            dialog.OnSettingChanged();
            EXPECT_EQ(doc.SignificantDigits, 9) << text;
        }
        dialog.m_digits->setText(QStringLiteral("14"));
        dialog.m_fontSize->setText(QStringLiteral("73"));
        dialog.m_showGraph->setCurrentIndex(1);
        dialog.OnSettingChanged();
        dialog.OnSelchangeBackground(2);
        EXPECT_EQ(doc.SignificantDigits, 14);
        EXPECT_EQ(doc.FontSizes, 30);
        EXPECT_TRUE(doc.StackPanes);
        EXPECT_EQ(doc.BackgroundType, 0);
        EXPECT_EQ(doc.BackgroundColor[1], 128);
        EXPECT_TRUE(dialog.IsChanged());
        dialog.OnCancel();
        EXPECT_EQ(doc.SignificantDigits, 9);
        EXPECT_FALSE(doc.StackPanes);
        EXPECT_EQ(doc.BackgroundType, 1);
    }
    {
        CPrefDialog dialog(&doc);
        dialog.OnRestoreDefaults();
        EXPECT_EQ(doc.SignificantDigits, 6);
        EXPECT_EQ(doc.FontSizes, 24);
        EXPECT_EQ(dialog.m_background->currentText(), QStringLiteral("Room"));
        dialog.m_fontSize->setText(QStringLiteral("40"));
        dialog.OnOK();
    }
    SetDefaultPreferences();
    ASSERT_TRUE(LoadPreferences());
    EXPECT_EQ(GetPreferences().mainFontSize, 40);
    EXPECT_EQ(GetPreferences().significantDigits, 6);
}

// Counts the clearings the dialog asks for.
struct CountingGraphs : DocumentGraphSet {
    int cleared = 0;
    void ClearAllGraphs() override { ++cleared; }
};

TEST(CPrefDialogTest, EachPreviewClearsTheGraphsToMakeThemAgain)
{
    TestApp();
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    SetDefaultPreferences();
    DocState doc;
    CountingGraphs graphs;
    doc.Graphs = &graphs;
    {
        CPrefDialog dialog(&doc);
        dialog.m_digits->setText(QStringLiteral("8"));
        dialog.OnSettingChanged();
        EXPECT_EQ(graphs.cleared, 1);
        dialog.OnCancel();
        EXPECT_EQ(graphs.cleared, 2);
    }
    doc.Graphs = nullptr;
}

}  // namespace
