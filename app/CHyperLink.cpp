#include "app/CHyperLink.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    Restyle();
}

void CHyperLink::SetURL(const QString& url)
{
    m_url = url;
    if (text().isEmpty())
        setText(url);
    setToolTip(URL());
}

void CHyperLink::SetVisited(bool visited)
{
    m_visited = visited;
    Restyle();
}

void CHyperLink::SetUnderline(int32_t mode)
{
    m_underline = mode;
    Restyle();
}

void CHyperLink::Restyle()
{
    QPalette colours = palette();
    QRgb colour = m_hover ? kHoverColour : m_visited ? kVisitedColour : kLinkColour;
    colours.setColor(QPalette::WindowText, QColor(colour));
    setPalette(colours);
    QFont face = font();
    face.setUnderline(m_underline == kUnderlineAlways || (m_underline == kUnderlineHover && m_hover));
    setFont(face);
}

void CHyperLink::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    Restyle();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event)
{
    m_hover = false;
    Restyle();
    QLabel::leaveEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        OnClicked();
    QLabel::mouseReleaseEvent(event);
}

bool CHyperLink::OnClicked()
{
    m_hover = false;
    const QUrl url = QUrl::fromUserInput(URL());
    if (!url.isValid() || !QDesktopServices::openUrl(url)) {
        QApplication::beep();
        ShowMessageBox(("Unable to open hyperlink:\n\n" + URL()).toUtf8().constData(), "Vellumor",
                       MessageBoxIcon::Warning);
        Restyle();
        return false;
    }
    m_visited = true;
    Restyle();
    return true;
}
