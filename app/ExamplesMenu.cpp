#include "app/ExamplesMenu.h"

#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/DemoPlayer.h"
#include "app/InstanceHandOver.h"
#include "document/DocState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QSet>

#include <algorithm>

namespace {

constexpr char kKeyword[] = "Vellumor";
constexpr int kDeepestFolder = 8;

bool StartsWithKeyword(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 length = static_cast<qint64>(sizeof kKeyword) - 1;
    return file.read(length) == QByteArray(kKeyword, length);
}

QString ExampleName(const QString& fileName)
{
    if (fileName.size() > 4 && fileName.endsWith(QLatin1String(".vlf"), Qt::CaseInsensitive))
        return fileName.left(fileName.size() - 4);
    return fileName;
}

void BuildFolder(const QString& folder, int32_t* number, QList<ExampleListEntry>* list, QMenu* menu,
                 QSet<QString>* visited, int depth)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || visited->contains(canonical) || depth > kDeepestFolder)
        return;
    visited->insert(canonical);
    QList<DirectoryEntry> entries;
    const QFileInfoList found =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : found) {
        DirectoryEntry entry{info.absoluteFilePath(), ExampleName(info.fileName()), info.isDir()};
        if (entry.isFolder || (info.isFile() && StartsWithKeyword(entry.path)))
            entries.append(entry);
    }
    // Byte order of the names: capitals before small letters.
    std::stable_sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return a.name.toUtf8() < b.name.toUtf8();
    });
    for (const DirectoryEntry& entry : entries) {
        if (entry.isFolder) {
            QMenu* sub = menu ? menu->addMenu(entry.name) : nullptr;
            BuildFolder(entry.path, number, list, sub, visited, depth + 1);
            continue;
        }
        list->append({entry.name, entry.path, *number});
        if (menu)
            menu->addAction(entry.name)->setData(kExampleCommandBase + *number);
        ++*number;
    }
}

}  // namespace

void BuildExamplesMenu(const QString& folder, int32_t* number, QList<ExampleListEntry>* list, QMenu* menu)
{
    QSet<QString> visited;
    BuildFolder(folder, number, list, menu, &visited, 0);
}

int32_t CountExamples()
{
    CMainFrame* frame = GetApp() ? GetApp()->MainFrame() : nullptr;
    return frame ? frame->GetExampleCount() : 0;
}

void OpenCurrentTourExample()
{
    if (CMainFrame* frame = GetApp() ? GetApp()->MainFrame() : nullptr)
        frame->OpenTourExample(GetDemoPlayerState().currentType - ScriptCount - 1);
}

QString ExampleCaption(const QString& examplesFolder, const QString& path)
{
    QString caption = QStringLiteral("Examples menu");
    QString relative = QDir(examplesFolder).relativeFilePath(path);
    const QStringList pieces = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString indent;
    for (const QString& piece : pieces) {
        indent += QStringLiteral("   ");
        caption += QStringLiteral("\r\n") + indent + piece;
    }
    if (caption.endsWith(QLatin1String(".vlf"), Qt::CaseInsensitive))
        caption.chop(4);
    return caption;
}

QString CMainFrame::GetExamplesFolder() const
{
    return ExamplesFolder();
}

int32_t CMainFrame::GetExampleCount()
{
    if (!m_examplesBuilt) {
        m_examplesBuilt = true;
        m_examples.clear();
        int32_t number = 1;
        BuildExamplesMenu(GetExamplesFolder(), &number, &m_examples, nullptr);
    }
    return static_cast<int32_t>(m_examples.size());
}

void CMainFrame::OnUpdateExample(QMenu* menu)
{
    QAction* placeholder = CommandAction(kExampleCommandBase);
    if (placeholder && menu->actions().contains(placeholder)) {
        // Once per process: the menu and the list are read afresh.
        menu->clear();
        m_examples.clear();
        m_examplesBuilt = true;
        int32_t number = 1;
        BuildExamplesMenu(GetExamplesFolder(), &number, &m_examples, menu);
        connect(menu, &QMenu::triggered, this, [this](QAction* action) {
            const int32_t id = action->data().toInt();
            if (id > kExampleCommandBase && id < kExampleCommandBase + 1000)
                OnExample(id);
        });
    }
    const bool enabled = !IsDemoRunning();
    QList<QMenu*> menus = {menu};
    while (!menus.isEmpty()) {
        for (QAction* action : menus.takeFirst()->actions()) {
            if (action->menu())
                menus.append(action->menu());
            else
                action->setEnabled(enabled);
        }
    }
}

void CMainFrame::OnExample(int32_t id)
{
    if (IsDemoRunning())
        StartDemo(0, 0);
    const int32_t index = id - kExampleCommandBase - 1;
    if (index < 0 || index >= m_examples.size())
        return;
    const QString path = m_examples.at(index).path;
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier)
        GetApp()->OpenDocumentFile(path);
    else
        StartNewInstance({path});
}

void CMainFrame::OpenTourExample(int32_t index)
{
    COndrelApp* app = GetApp();
    if (!app || !app->Document())
        return;
    app->Document()->SetModifiedFlag(false);
    if (index < 0 || index >= GetExampleCount())
        return;
    app->OpenDocumentFile(m_examples.at(index).path);
    DocState* doc = GetDocState();
    if (doc->IsAnimating())
        doc->PlayAnimation();
}

QString CMainFrame::GetTourExampleCaption(int32_t index)
{
    if (index < 0 || index >= GetExampleCount())
        return QString();
    return ExampleCaption(GetExamplesFolder(), m_examples.at(index).path);
}
