// Short sounds built into the program, played without waiting.
#pragma once

// Starts the sound ":/sounds/<name>.wav" and returns at once; silent, with
// no report, when the system has no audio output or no application runs.
// User-interface thread only.
void PlaySoundResource(const char* name);
