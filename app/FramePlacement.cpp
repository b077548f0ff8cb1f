#include "app/FramePlacement.h"

namespace {

// A stored size counts only below the screen's extent, compared unsigned so
// that a negative value written by another program is refused too.
std::optional<int> Fits(std::optional<uint32_t> v, int limit)
{
    if (v && *v < static_cast<uint32_t>(limit))
        return static_cast<int>(*v);
    return std::nullopt;
}

uint32_t Cascade(int at, int extent, int limit)
{
    int next = at + 15;
    return static_cast<uint32_t>(extent + next > limit ? 50 : next);
}

}  // namespace

FramePlacement PlaceFrame(const StoredFrame& stored, QSize screen, QSize maxTrack,
                          const QList<QRect>& workAreas)
{
    FramePlacement p;
    std::optional<int> w = Fits(stored.sizeX, screen.width());
    std::optional<int> h = Fits(stored.sizeY, screen.height());
    if (!w || !h) {
        h = maxTrack.height() > 750 ? 600 : maxTrack.height() - 150;
        w = maxTrack.width() > 820 ? 550 : maxTrack.width() - 270;
    }
    p.size = QSize(*w, *h);
    if (!stored.posX || !stored.posY)
        return p;
    // Positions are signed: a screen left of or above the primary one has
    // negative coordinates. The frame is placed only where its title bar
    // lies on some screen's work area.
    int x = static_cast<int32_t>(*stored.posX);
    int y = static_cast<int32_t>(*stored.posY);
    QRect titleBar(x, y, *w, 30);
    for (const QRect& area : workAreas) {
        if (!area.intersects(titleBar))
            continue;
        p.defaultPosition = false;
        p.position = QPoint(x, y);
        p.nextX = Cascade(x - area.left(), *w, area.width()) + static_cast<uint32_t>(area.left());
        p.nextY = Cascade(y - area.top(), *h, area.height()) + static_cast<uint32_t>(area.top());
        break;
    }
    return p;
}

namespace {

// One axis: [at, at + extent) into [lo, lo + room).
void FitAxis(int& at, int& extent, int lo, int room)
{
    if (extent > room) {
        at = lo;
        extent = room;
    } else if (at < lo) {
        at = lo;
    } else if (at + extent > lo + room) {
        at = lo + room - extent;
    }
}

}  // namespace

QRect FitIntoWorkArea(QRect frame, const QRect& area)
{
    int x = frame.x(), w = frame.width(), y = frame.y(), h = frame.height();
    FitAxis(x, w, area.x(), area.width());
    FitAxis(y, h, area.y(), area.height());
    return QRect(x, y, w, h);
}
