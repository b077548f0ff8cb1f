// Start-up measurement: with VELLUMOR_MEASURE_STARTUP set, the first paint of
// the main frame prints the wall-clock time (ms since the epoch), the
// program then idles briefly, prints its peak resident memory and quits.
#pragma once

void NoteFirstPaint();
