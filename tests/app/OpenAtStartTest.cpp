#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
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
    app.ExitInstance(0);
    SetMessageBoxHook(nullptr);
}

}  // namespace
