// The frame's part in the one-document-per-process hand-over and in
// dropped files.
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/InstanceOpenRequest.h"
#include "platform/MessageBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

bool CMainFrame::OnCopyData(const QByteArray& record)
{
    QString path;
    COndrelDoc* document = GetApp() ? GetApp()->Document() : nullptr;
    if (!document || document->PathName().isEmpty() || !ReadInstanceOpenRequest(record, &path))
        return false;
    // File names differ by case here: the same file is the same canonical
    // path, letter for letter.
    const QString asked = QFileInfo(path).canonicalFilePath();
    if (asked.isEmpty() || asked != QFileInfo(document->PathName()).canonicalFilePath())
        return false;
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    return true;
}

void CMainFrame::OnDropFiles(const QStringList& paths)
{
    activateWindow();
    for (const QString& path : paths) {
        const QString ending = path.right(3).toLower();
        if (ending == QLatin1String("bmp") || ending == QLatin1String("grf") || ending == QLatin1String("vlf"))
            GetApp()->OpenDocumentFile(path);
        else
            ShowMessageBox(u"Sorry, Vellumor does not recognize this file type.", u"Vellumor",
                           MessageBoxIcon::Warning);
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    OnDropFiles(paths);
}
