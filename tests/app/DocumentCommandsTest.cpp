// The File commands around the one document: the recent-file list shared
// with other copies, Revert to Saved, and files dropped on the frame.
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "document/DocState.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DocumentCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon,
                                 MessageBoxButtons) {
            boxes.push_back(QString::fromStdU16String(text));
            return true;
        });
        static int argc = 1;
        static char name[] = "vellumor";
        static char* argv[] = {name, nullptr};
        app = new COndrelApp(argc, argv);
        ASSERT_TRUE(app->InitInstance());
    }
    void TearDown() override
    {
        app->ExitInstance(0);
        delete app;
        SetMessageBoxHook(nullptr);
    }

    QString Write(const QString& name, const QByteArray& text)
    {
        const QString path = QDir(dir.path()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
    COndrelApp* app = nullptr;
    QStringList boxes;
};

// The newest file comes first, a file opened again moves to the front, and
// the list keeps ten; another copy's list is read at the next showing.
TEST_F(DocumentCommandsTest, RecentFilesAreKeptAndCapped)
{
    QStringList added;
    for (int i = 1; i <= 12; ++i) {
        added.prepend(QStringLiteral("/docs/f%1.vlf").arg(i));
        app->AddToRecentFileList(added.front());
    }
    QStringList expected = added.mid(0, 10);
    EXPECT_EQ(app->RecentFiles(), expected);
    app->AddToRecentFileList(QStringLiteral("/docs/f5.vlf"));
    expected.removeAll(QStringLiteral("/docs/f5.vlf"));
    expected.prepend(QStringLiteral("/docs/f5.vlf"));
    EXPECT_EQ(app->RecentFiles(), expected);
    app->ReadRecentFileList();
    EXPECT_EQ(app->RecentFiles(), expected);

    // Another copy writes the shared list.
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"))
        .setValue(QStringLiteral("Recent File List/File1"), QStringLiteral("/other/g.vlf"));
    app->ReadRecentFileList();
    EXPECT_EQ(app->RecentFiles().front(), QStringLiteral("/other/g.vlf"));
    EXPECT_EQ(app->RecentFiles().size(), 10);

    // A document opened takes its place at the front.
    const QString path = Write(QStringLiteral("Opened.vlf"), "Vellumor 4;\rExpr x;\r");
    ASSERT_TRUE(app->OpenDocumentFile(path));
    EXPECT_EQ(app->RecentFiles().front(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(app->RecentFiles().size(), 10);
}

// Revert reads the file again; when it cannot, the user is told and the
// changes stay marked.
TEST_F(DocumentCommandsTest, RevertReloadsOrKeepsTheChangesMarked)
{
    const QString path = Write(QStringLiteral("Kept.vlf"), "Vellumor 4;\rExpr x;\rExpr y;\r");
    ASSERT_TRUE(app->OpenDocumentFile(path));
    COndrelDoc* doc = app->Document();
    DocState* state = GetDocState();
    ASSERT_EQ(state->Lines.count, 2);
    EXPECT_FALSE(app->CanRevertToSaved());
    state->InsertEquationLine();
    doc->SetModifiedFlag(true);
    ASSERT_EQ(state->Lines.count, 3);
    EXPECT_TRUE(app->CanRevertToSaved());

    app->OnRevertToSaved();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], QStringLiteral("Do you want to discard the changes you made to the document \"Kept.vlf\"?"));
    EXPECT_EQ(state->Lines.count, 2);
    EXPECT_FALSE(doc->IsModified());

    state->InsertEquationLine();
    doc->SetModifiedFlag(true);
    ASSERT_TRUE(QFile::remove(path));
    app->OnRevertToSaved();
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_TRUE(boxes.contains(QStringLiteral("Unable to reload \"Kept.vlf\"")));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(state->Lines.count, 3);
}

// Documents dropped on the frame open, by the ending of their names in any
// case; other files are refused with a message.
TEST_F(DocumentCommandsTest, DroppedDocumentsOpenAndOtherFilesAreRefused)
{
    const QString notes = Write(QStringLiteral("notes.txt"), "Vellumor 4;\rExpr x;\r");
    const QString doc = Write(QStringLiteral("Dropped.VLF"), "Vellumor 4;\rExpr a;\rExpr b;\rExpr c;\r");
    app->MainFrame()->OnDropFiles({notes});
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], QStringLiteral("Sorry, Vellumor does not recognize this file type."));
    EXPECT_NE(GetDocState()->Lines.count, 3);
    app->MainFrame()->OnDropFiles({doc});
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(GetDocState()->Lines.count, 3);
    EXPECT_EQ(app->Document()->Title(), QStringLiteral("Dropped.VLF"));
}

}  // namespace
