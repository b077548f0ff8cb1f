// The pacing rules of the graph-building schedule, apart from the document
// state so that they can be checked alone.
#pragma once

#include <cstddef>
#include <cstdint>

struct DocState;

// The animation's frame period for its throttle (frames per second):
// 60 / throttle ticks in whole milliseconds (33 for 30); 0 for a throttle
// of 0 or less, which steps at every idle tick.
int32_t AnimationFrameMilliseconds(int32_t throttle);
// An animation step is due this long after the last one.
bool AnimationStepDue(int32_t sinceLastStep, int32_t throttle);
// The frame-rate meter's text (4 significant digits, below 10 frames a
// second to one decimal); false, nothing written, until all 40 frame times
// are recorded.
bool FrameRateMeterText(const DocState* doc, char16_t* text, size_t units);
