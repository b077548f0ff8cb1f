#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/InstanceHandOver.h"
#include "document/DocState.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <string>

namespace {

// One application object per process: a document named on the command line
// is the document the window shows once started, under its own name.
TEST(OpenAtStartTest, DocumentNamedOnTheCommandLineOpens)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        return true;
    });
    // An older document's name: it reads and takes the current extension.
    QString path = QDir(dir.path()).filePath(QStringLiteral("Two.GRF"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Vellumor 4;\rExpr x;\rExpr y;\r");
    }
    std::string arg = path.toStdString();
    int argc = 2;
    char name[] = "vellumor";
    char* argv[] = {name, arg.data(), nullptr};
    COndrelApp app(argc, argv);
    ASSERT_TRUE(app.InitInstance());
    COndrelDoc* doc = app.Document();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(GetDocState()->Lines.count, 2);
    EXPECT_EQ(doc->PathName(), QDir(dir.path()).filePath(QStringLiteral("Two.vlf")));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("Two.vlf[*] - Vellumor"));
    EXPECT_EQ(app.RecentFiles(), QStringList{doc->PathName()});

    // An example opened through the dialog stays untitled and off the list.
    QDir examples(ExamplesFolder());
    bool made = !examples.exists();
    ASSERT_TRUE(QDir().mkpath(examples.path()));
    QString example = examples.filePath(QStringLiteral("Torus-open-test.vlf"));
    {
        QFile file(example);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Vellumor 4;\rExpr z;\r");
    }
    // Open without Ctrl starts another copy for the file; with Ctrl held it
    // opens here, as OpenDocumentFile does.
    SetFileDialogHook([&](bool save, const QString&, const QString&) {
        EXPECT_FALSE(save);
        return example;
    });
    QList<QStringList> starts;
    SetStartInstanceHook([&](const QStringList& arguments) {
        starts.append(arguments);
        return 0;
    });
    app.OnFileOpen();
    app.OnFileNew();
    SetStartInstanceHook(nullptr);
    SetFileDialogHook(nullptr);
    EXPECT_EQ(starts, (QList<QStringList>{{example}, {}}));
    EXPECT_EQ(GetDocState()->Lines.count, 2);
    app.OpenDocumentFile(example);
    QFile::remove(example);
    if (made)
        examples.removeRecursively();
    EXPECT_EQ(GetDocState()->Lines.count, 1);
    EXPECT_TRUE(doc->PathName().isEmpty());
    EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("Untitled[*] - Vellumor"));
    EXPECT_EQ(app.RecentFiles().size(), 1);
    app.ExitInstance(0);
    SetMessageBoxHook(nullptr);
}

}  // namespace
