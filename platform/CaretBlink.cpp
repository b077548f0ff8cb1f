#include "platform/CaretBlink.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <algorithm>

int32_t CaretBlinkTicks(int64_t milliseconds)
{
    if (milliseconds <= 0)
        return 0;
    // Clamped before scaling, so that an "infinite" blink time cannot wrap to
    // a short period; at least one tick, since 0 means no blinking.
    int64_t ms = std::min<int64_t>(milliseconds, int64_t{INT32_MAX} / 60 * 1000);
    return static_cast<int32_t>(std::max<int64_t>(ms * 60 / 1000, 1));
}

int32_t CaretBlinkPeriod()
{
    // The toolkit gives a whole on-and-off cycle; the caret flips every half.
    int cycle = QGuiApplication::styleHints()->cursorFlashTime();
    return CaretBlinkTicks(cycle / 2);
}
