#include "app/Slider4D.h"

#include "CoreUtilities/Clock.h"
#include "document/DocState.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The most a move may turn the wheel's picture, and the fastest spin a
// drag may leave, in half-degrees per second.
constexpr int32_t kMaxPictureStep = 3;
constexpr double kMaxRate = 359;

// A knurled wheel seen from the side: ridges 8 pixels apart, shaded as on
// a cylinder, moved one pixel per picture.
QImage MakePicture(int32_t p)
{
    QImage image(Slider4D::kWidth, Slider4D::kHeight, QImage::Format_RGB32);
    const double half = (Slider4D::kWidth - 1) / 2.0;
    for (int x = 0; x < Slider4D::kWidth; ++x) {
        // Light falls on the middle of the cylinder.
        const double c = std::cos((x - half) / half * 1.3);
        const bool ridge = (x + p) % Slider4D::kPictures == 0;
        const int level = static_cast<int>(ridge ? 70 + 60 * c : 120 + 120 * c);
        const QRgb colour = qRgb(level, level, std::min(255, level + 12));
        for (int y = 0; y < Slider4D::kHeight; ++y)
            image.setPixel(x, y, y == 0 || y == Slider4D::kHeight - 1 ? qRgb(90, 90, 100) : colour);
    }
    return image;
}

}  // namespace

const QImage& Slider4DPicture(int32_t p)
{
    static const std::array<QImage, Slider4D::kPictures> pictures = [] {
        std::array<QImage, Slider4D::kPictures> all;
        for (int32_t i = 0; i < Slider4D::kPictures; ++i)
            all[i] = MakePicture(i);
        return all;
    }();
    return pictures[((p % Slider4D::kPictures) + Slider4D::kPictures) % Slider4D::kPictures];
}

Slider4D::Slider4D(int32_t code, QWidget* parent) : QWidget(parent), m_code(code)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Slider4D::SetValue(int32_t p)
{
    m_position = ((p % kPictures) + kPictures) % kPictures;
    update();
}

void Slider4D::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), Slider4DPicture(m_position));
}

void Slider4D::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(static_cast<int32_t>(event->position().x()), event->modifiers() & Qt::ShiftModifier);
}

void Slider4D::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        OnMouseMove(static_cast<int32_t>(event->position().x()), event->modifiers() & Qt::ShiftModifier);
}

void Slider4D::OnLButtonDown(int32_t x, bool shift)
{
    m_lastMoveTime = 0;
    m_lastX = x;
    m_lastMoveMicroseconds = ClockMicroseconds();
    DocState* doc = GetDocState();
    if (!doc)
        return;
    doc->rotationPeriod4D = 0;
    // With Shift the plane keeps its spin and the drag only turns it.
    if (!shift)
        doc->Set4DRotationSpeed(m_code, 0);
}

void Slider4D::OnMouseMove(int32_t x, bool shift)
{
    DocState* doc = GetDocState();
    if (x == m_lastX) {
        // Held still: the plane stops when the button is let go.
        if (ClockMilliseconds() - m_lastMoveTime > static_cast<uint32_t>(TicksToMilliseconds(40)) && !shift && doc)
            doc->Set4DRotationSpeed(m_code, 0);
        return;
    }
    const int32_t dx = x - m_lastX;
    SetValue(m_position + std::clamp(dx, -kMaxPictureStep, kMaxPictureStep));
    repaint();
    const uint64_t now = ClockMicroseconds();
    double dt = (now - m_lastMoveMicroseconds) * 1e-6;
    if (!(dt > 0))
        dt = 1;
    const double rate = std::clamp(dx / dt, -kMaxRate, kMaxRate);
    m_lastX = x;
    m_lastMoveTime = ClockMilliseconds();
    m_lastMoveMicroseconds = now;
    if (!doc)
        return;
    // Half a degree per pixel.
    doc->Rotate4DBy(m_code, dx);
    if (!shift)
        doc->Set4DRotationSpeed(m_code, rate);
}
