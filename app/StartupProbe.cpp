#include "app/StartupProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// VmHWM of /proc/self/status, in kB; 0 when unreadable.
long PeakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

}  // namespace

void NoteFirstPaint()
{
    if (!std::getenv("VELLUMOR_MEASURE_STARTUP"))
        return;
    auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("first-paint-ms %.3f\n",
                std::chrono::duration<double, std::milli>(now).count());
    std::fflush(stdout);
    QTimer::singleShot(1000, qApp, [] {
        std::printf("peak-rss-kb %ld\n", PeakResidentKb());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}
