#include "platform/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

void ScreenPixelsPerMetre(int& x, int& y)
{
    constexpr double kInchesPerMetre = 1000.0 / 25.4;
    double dpiX = 96.0, dpiY = 96.0;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            dpiX = screen->physicalDotsPerInchX();
            dpiY = screen->physicalDotsPerInchY();
        }
    }
    x = static_cast<int>(std::lround(dpiX * kInchesPerMetre));
    y = static_cast<int>(std::lround(dpiY * kInchesPerMetre));
}
