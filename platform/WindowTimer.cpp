#include "platform/WindowTimer.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <map>
#include <utility>

namespace {

using TimerKey = std::pair<QObject*, int32_t>;

// User-interface thread only, as every window is.
std::map<TimerKey, QPointer<QTimer>>& Timers()
{
    static auto* timers = new std::map<TimerKey, QPointer<QTimer>>;
    return *timers;
}

QTimer* Find(WindowHandle window, int32_t id)
{
    auto it = Timers().find({window, id});
    if (it == Timers().end())
        return nullptr;
    if (!it->second) {
        // Its window is gone, and the timer with it.
        Timers().erase(it);
        return nullptr;
    }
    return it->second;
}

}  // namespace

int32_t SetWindowTimer(WindowHandle window, int32_t id, uint32_t milliseconds, TimerProcedure procedure)
{
    if (id == 0 || !procedure)
        return 0;
    KillWindowTimer(window, id);
    auto* timer = new QTimer(window);
    QObject::connect(timer, &QTimer::timeout, timer, [procedure] { procedure(); });
    timer->start(static_cast<int>(std::clamp<uint32_t>(milliseconds, kMinimumTimerMilliseconds, INT32_MAX)));
    Timers()[{window, id}] = timer;
    return id;
}

bool KillWindowTimer(WindowHandle window, int32_t id)
{
    QTimer* timer = Find(window, id);
    if (!timer)
        return false;
    Timers().erase({window, id});
    timer->stop();
    // The procedure may be running on this timer right now.
    timer->deleteLater();
    return true;
}

int32_t WindowTimerPeriod(WindowHandle window, int32_t id)
{
    QTimer* timer = Find(window, id);
    return timer ? timer->interval() : -1;
}
