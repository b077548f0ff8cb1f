// Where the main frame opens: the stored size and position when they fit the
// screen, each new window 15 pixels further right and down than the last.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>

struct StoredFrame {
    std::optional<uint32_t> sizeX, sizeY, posX, posY;
};

struct FramePlacement {
    QSize size;
    // No usable stored position: the window system places the frame.
    bool defaultPosition = true;
    QPoint position;
    // The position stored for the next window, when a stored one was taken.
    std::optional<uint32_t> nextX, nextY;
};

// screen: the primary screen's size; maxTrack: the largest frame it allows;
// workAreas: every screen's work area. A position that would put the frame
// on no screen at all is dropped, so the frame never opens out of reach.
FramePlacement PlaceFrame(const StoredFrame& stored, QSize screen, QSize maxTrack,
                          const QList<QRect>& workAreas);

// A frame rectangle moved (or cut, when larger) into a work area, each axis
// on its own: a document's stored place on a monitor since detached opens on
// the nearest one.
QRect FitIntoWorkArea(QRect frame, const QRect& area);
