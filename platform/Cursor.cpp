#include "platform/Cursor.h"

#include <QCursor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QWidget>

#include <map>

struct CursorData {
    QCursor cursor;
};

namespace {

constexpr int kSize = 32;
constexpr QPointF kCentre(15.5, 15.5);

CursorHandle Current = nullptr;

// One arm of an arrow cross pointing up from the centre, from the right side
// of its shaft over the tip to the left side.
QPolygonF UpArm()
{
    constexpr double shaft = 1.5, head = 4.5, length = 12, headLength = 5;
    return QPolygonF({{shaft, -shaft}, {shaft, -(length - headLength)}, {head, -(length - headLength)},
                      {0, -length}, {-head, -(length - headLength)}, {-shaft, -(length - headLength)},
                      {-shaft, -shaft}});
}

// Arms turned a quarter counter-clockwise on the screen each, in order.
QPainterPath ArrowCross(int arms, int quarterStep)
{
    QPolygonF outline;
    QPolygonF arm = UpArm();
    for (int i = 0; i < arms; ++i) {
        for (const QPointF& p : arm)
            outline << p + kCentre;
        for (int k = 0; k < quarterStep; ++k)
            for (QPointF& p : arm)
                p = QPointF(p.y(), -p.x());
    }
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}

QPainterPath Hand(bool closed)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (closed) {
        path.addRoundedRect(QRectF(8.5, 11.5, 15, 13), 4, 4);
        for (int i = 0; i < 4; ++i)
            path.addRoundedRect(QRectF(9 + 3.5 * i, 8.5, 3.5, 6), 1.5, 1.5);
        path.addRoundedRect(QRectF(5.5, 14.5, 5, 4), 2, 2);
    } else {
        path.addRoundedRect(QRectF(8.5, 14.5, 15, 12), 4, 4);
        const double tops[4] = {5.5, 3.5, 4.5, 7.5};
        for (int i = 0; i < 4; ++i)
            path.addRoundedRect(QRectF(9 + 3.5 * i, tops[i], 3.5, 13 - tops[i] + 4), 1.5, 1.5);
        path.addRoundedRect(QRectF(3.5, 13.5, 7, 4), 2, 2);
    }
    return path.simplified();
}

QCursor MakeCursor(const QPainterPath& shape)
{
    QPixmap image(kSize, kSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(shape);
    painter.end();
    return QCursor(image, 15, 15);
}

}  // namespace

CursorHandle LoadCursorResource(int32_t id)
{
    static auto* loaded = new std::map<int32_t, CursorHandle>;
    auto it = loaded->find(id);
    if (it != loaded->end())
        return it->second;
    QPainterPath shape;
    switch (id) {
    case kMoveCursorId: shape = ArrowCross(4, 1); break;
    case kOpenHandCursorId: shape = Hand(false); break;
    case kClosedHandCursorId: shape = Hand(true); break;
    case kUpDownCursorId: shape = ArrowCross(2, 2); break;
    default: return nullptr;
    }
    auto* cursor = new CursorData{MakeCursor(shape)};
    (*loaded)[id] = cursor;
    return cursor;
}

CursorHandle LoadArrowCursor()
{
    static auto* arrow = new CursorData{QCursor(Qt::ArrowCursor)};
    return arrow;
}

CursorHandle SetCursor(WindowHandle window, CursorHandle cursor)
{
    CursorHandle previous = Current;
    Current = cursor;
    if (cursor && window)
        window->setCursor(cursor->cursor);
    return previous;
}

CursorHandle GetCursor()
{
    return Current;
}
