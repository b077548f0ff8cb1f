#include "app/ProgramButtons.h"

#include "app/DemoPlayer.h"
#include "document/DocState.h"
#include "platform/BitmapResource.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

QPixmap LoadButtonPicture(int32_t id, uint32_t transparent)
{
    BitmapPixels bitmap;
    if (!LoadBitmapResource(id, bitmap))
        return {};
    // The transparent colour is judged before the greys become the system's.
    std::vector<bool> clear(bitmap.pixels.size());
    for (size_t i = 0; i < clear.size(); ++i)
        clear[i] = bitmap.pixels[i] == (transparent & 0xFFFFFF);
    MapButtonColours(bitmap);
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width; ++x) {
            size_t i = static_cast<size_t>(y) * bitmap.width + x;
            row[x] = clear[i] ? 0 : 0xFF000000u | bitmap.pixels[i];
        }
    }
    return QPixmap::fromImage(image);
}

COdXPStyleButton::COdXPStyleButton(QWidget* parent) : QToolButton(parent)
{
    // Flat: the style draws the frame only while hovered or pressed.
    setAutoRaise(true);
}

bool COdXPStyleButton::SetBitmapId(int32_t id, uint32_t transparent)
{
    m_bitmapId = id;
    m_transparent = transparent;
    return ReloadBitmap();
}

bool COdXPStyleButton::SetBitmapIdOnly(int32_t id)
{
    m_bitmapId = id;
    return ReloadBitmap();
}

bool COdXPStyleButton::ReloadBitmap()
{
    QPixmap picture = LoadButtonPicture(m_bitmapId, m_transparent);
    // A picture that cannot be read frees the old one too.
    setIcon(picture.isNull() ? QIcon() : QIcon(picture));
    if (!picture.isNull())
        setIconSize(picture.size());
    return !picture.isNull();
}

void COdXPStyleButton::SizeToContent()
{
    if (icon().isNull())
        return;
    resize(iconSize() + QSize(5, 5));
}

void COdXPStyleButton::changeEvent(QEvent* event)
{
    QToolButton::changeEvent(event);
    // The greys follow the system's button colours.
    if (event->type() == QEvent::PaletteChange && m_bitmapId)
        ReloadBitmap();
}

CDemoButton::CDemoButton(QWidget* parent) : COdXPStyleButton(parent) {}

bool CDemoButton::IsMouseLockedByDemo()
{
    return IsDemoRunning() && !GetDocState()->IsDemoPaused();
}

void CDemoButton::mousePressEvent(QMouseEvent* event)
{
    if (IsMouseLockedByDemo())
        return event->accept();
    COdXPStyleButton::mousePressEvent(event);
}

void CDemoButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (IsMouseLockedByDemo())
        return event->accept();
    // A double click is a second press.
    COdXPStyleButton::mousePressEvent(event);
}

COdNoFocusButton::COdNoFocusButton(const QString& text, bool demoGuard, QWidget* parent)
    : CDemoButton(parent), m_demoGuard(demoGuard)
{
    setText(text);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
}

void COdNoFocusButton::mousePressEvent(QMouseEvent* event)
{
    if (m_demoGuard)
        return CDemoButton::mousePressEvent(event);
    COdXPStyleButton::mousePressEvent(event);
}

void COdNoFocusButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_demoGuard)
        return CDemoButton::mouseDoubleClickEvent(event);
    COdXPStyleButton::mousePressEvent(event);
}

CGrainButton::CGrainButton(QWidget* parent) : CDemoButton(parent)
{
    SetBitmapId(PictureOfLevel(m_level));
}

int32_t CGrainButton::LevelOfGrain(double grain)
{
    double x = 12 * grain;
    return x < 3 ? 0 : x < 6 ? 1 : x < 9 ? 2 : 3;
}

void CGrainButton::SetLevel(int32_t level, bool force)
{
    if (level == m_level && !force)
        return;
    m_level = level;
    SetBitmapIdOnly(PictureOfLevel(level));
}

CMenuBitmapButton::CMenuBitmapButton(int32_t view, QWidget* parent) : CDemoButton(parent), m_view(view)
{
    SetBitmapId(276, kBarGreyTransparent);
    SizeToContent();
}
