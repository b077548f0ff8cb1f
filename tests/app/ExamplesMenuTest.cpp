#include "app/ExamplesMenu.h"

#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Examples by content, in byte order of their names, numbered depth first;
// empty folders stay as empty submenus and a link back up is read once.
TEST(ExamplesMenuTest, FoldersAndDocumentsListInByteOrder)
{
    TestApp();
    QTemporaryDir dir;
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("Calc")) && root.mkpath(QStringLiteral("Empty")));
    Write(root.filePath("b.vlf"), "Vellumor 4;\rExpr b;\r");
    Write(root.filePath("A.vlf"), "Vellumor 4;\rExpr a;\r");
    Write(root.filePath("notes.vlf"), "not a document");
    Write(root.filePath("x.vlf"), "Vel");
    Write(root.filePath("Saved.txt"), "Vellumor 4;\r");
    Write(root.filePath("Calc/Limits.vlf"), "Vellumor 4;\rExpr x;\r");
    ASSERT_TRUE(QFile::link(dir.path(), root.filePath("Calc/loop")));

    QMenu menu;
    QList<ExampleListEntry> list;
    int32_t number = 1;
    BuildExamplesMenu(dir.path(), &number, &list, &menu);
    QStringList names;
    for (const ExampleListEntry& e : list)
        names << QStringLiteral("%1 %2").arg(e.number).arg(e.name);
    EXPECT_EQ(names, (QStringList{"1 A", "2 Limits", "3 Saved.txt", "4 b"}));
    EXPECT_EQ(number, 5);

    QStringList items;
    for (QAction* a : menu.actions())
        items << (a->menu() ? QStringLiteral("[%1:%2]").arg(a->text()).arg(a->menu()->actions().size())
                            : QStringLiteral("%1=%2").arg(a->text()).arg(a->data().toInt()));
    EXPECT_EQ(items, (QStringList{"A=35001", "[Calc:2]", "[Empty:0]", "Saved.txt=35003", "b=35004"}));

    list.clear();
    number = 1;
    BuildExamplesMenu(root.filePath("missing"), &number, &list, nullptr);
    EXPECT_TRUE(list.isEmpty());
}

TEST(ExamplesMenuTest, TourCaptionsIndentEachFolder)
{
    EXPECT_EQ(ExampleCaption("/x/Examples", "/x/Examples/Calculus/Limits.vlf"),
              QStringLiteral("Examples menu\r\n   Calculus\r\n      Limits"));
    EXPECT_EQ(ExampleCaption("/x/Examples", "/x/Examples/Torus.VLF"), QStringLiteral("Examples menu\r\n   Torus"));
}

}  // namespace
