#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace {

std::mutex HookLock;
MessageBoxHook Hook;

QMessageBox::Icon ToQtIcon(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::Information: return QMessageBox::Information;
    case MessageBoxIcon::Warning: return QMessageBox::Warning;
    case MessageBoxIcon::Error: return QMessageBox::Critical;
    case MessageBoxIcon::Question: return QMessageBox::Question;
    case MessageBoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook)
{
    std::lock_guard<std::mutex> hold(HookLock);
    Hook = std::move(hook);
}

bool ShowMessageBox(const std::u16string& text, const std::u16string& caption, MessageBoxIcon icon,
                    MessageBoxButtons buttons)
{
    {
        std::lock_guard<std::mutex> hold(HookLock);
        if (Hook)
            return Hook(text, caption, icon, buttons);
    }
    QString qText = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    QString qCaption = QString::fromUtf16(caption.data(), static_cast<qsizetype>(caption.size()));
    // Boxes are widgets: only the user-interface thread of a running
    // application may show one.
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        std::fprintf(stderr, "%s: %s\n", qCaption.toUtf8().constData(), qText.toUtf8().constData());
        return buttons == MessageBoxButtons::Ok;
    }
    const QMessageBox::StandardButtons choices = buttons == MessageBoxButtons::OkCancel
                                                     ? (QMessageBox::Ok | QMessageBox::Cancel)
                                                 : buttons == MessageBoxButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No)
                                                                                       : QMessageBox::Ok;
    QMessageBox box(ToQtIcon(icon), qCaption, qText, choices, QApplication::activeWindow());
    const int answer = box.exec();
    return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

bool ShowMessageBox(const std::string& utf8Text, const std::string& utf8Caption, MessageBoxIcon icon,
                    MessageBoxButtons buttons)
{
    QString t = QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
    QString c = QString::fromUtf8(utf8Caption.data(), static_cast<qsizetype>(utf8Caption.size()));
    return ShowMessageBox(t.toStdU16String(), c.toStdU16String(), icon, buttons);
}
