// The screen's resolution, for image headers.
#pragma once

// Pixels per metre across and down; 96 dots per inch without a screen.
void ScreenPixelsPerMetre(int& x, int& y);
