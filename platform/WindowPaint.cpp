#include "platform/WindowPaint.h"

#include "platform/RegionData.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

struct WindowPaintScope::Impl {
    WindowHandle window;
    QPainter painter;
    Impl* outer;
};

namespace {

WindowPaintScope::Impl* Painting = nullptr;

}  // namespace

WindowPaintScope::WindowPaintScope(WindowHandle window)
    : impl_(new WindowPaintScope::Impl{window, {}, Painting})
{
    impl_->painter.begin(window);
    Painting = impl_;
}

WindowPaintScope::~WindowPaintScope()
{
    Painting = impl_->outer;
    impl_->painter.end();
    delete impl_;
}

WindowHandle WindowBeingPainted()
{
    return Painting ? Painting->window : nullptr;
}

bool PaintPixelsToWindow(WindowHandle window, const uint8_t* pixels, int width, int height,
                         int rowBytes, bool bottomUp, Region views)
{
    if (!window)
        return false;
    if (!Painting || Painting->window != window || !Painting->painter.isActive()) {
        window->update();
        return false;
    }
    if (!pixels || width <= 0 || height <= 0 || rowBytes < 4 * width)
        return false;
    QPainter& painter = Painting->painter;
    // The image has the pixels' own size and stride; the painter counts
    // logical pixels, so the image carries the window's pixel ratio.
    QImage image(pixels, width, height, rowBytes, QImage::Format_RGB32);
    image.setDevicePixelRatio(window->devicePixelRatioF());
    painter.save();
    if (views) {
        qreal ratio = window->devicePixelRatioF();
        painter.fillRect(QRectF(0, 0, width / ratio, height / ratio), window->palette().button());
        QRegion clip = views->area;
        painter.setClipRegion(QTransform::fromScale(1 / ratio, 1 / ratio).map(clip));
    }
    if (bottomUp)
        painter.drawImage(QPointF(0, 0), image.mirrored(false, true));
    else
        painter.drawImage(QPointF(0, 0), image);
    painter.restore();
    return true;
}
