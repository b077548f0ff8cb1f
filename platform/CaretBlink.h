// The system's caret blink period in ticks of 1/60 s.
#pragma once

#include <cstdint>

// Milliseconds of one blink phase to ticks (ms x 60 / 1000); 0 when the caret
// does not blink (a period of 0 or less), which callers take as "never
// refresh by time" rather than "refresh on every pass".
int32_t CaretBlinkTicks(int64_t milliseconds);
// CaretBlinkTicks of the system's cursor flash time.
int32_t CaretBlinkPeriod();
