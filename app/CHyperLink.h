// A text that shows a web link: blue, purple once visited, red under the
// pointer, underlined by its mode, opened in the user's browser on a click.
#pragma once

#include <QLabel>

#include <cstdint>

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    static constexpr QRgb kLinkColour = 0x0000EE;
    static constexpr QRgb kVisitedColour = 0x551A8B;
    static constexpr QRgb kHoverColour = 0xFF0000;
    // Underline modes.
    static constexpr int32_t kUnderlineHover = -1;
    static constexpr int32_t kUnderlineNever = 0;
    static constexpr int32_t kUnderlineAlways = 1;

    CHyperLink(const QString& text, QWidget* parent);

    // An empty text shows the URL; without a URL the text is opened.
    void SetURL(const QString& url);
    QString URL() const { return m_url.isEmpty() ? text() : m_url; }
    void SetVisited(bool visited);
    bool IsVisited() const { return m_visited; }
    void SetUnderline(int32_t mode);
    bool IsHovered() const { return m_hover; }
    // Opens the link; false (after telling the user) when it cannot be opened.
    bool OnClicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Restyle();

    QString m_url;
    bool m_visited = false;
    bool m_hover = false;
    int32_t m_underline = kUnderlineHover;
};
