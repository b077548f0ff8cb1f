// How a formula laid out on one line is cut into display lines when it is
// wider than its pane, and how positions convert between the one-line layout
// and the lines. Handlers never know about lines: they place their pen with
// WrapMoveTo, which puts each piece on its line. Works on the current editor
// state; user-interface thread only.
#pragma once

#include <cstdint>

class PortDC;
struct FloatRect;

// A point in formula coordinates, y first.
struct FloatPoint {
    float y;
    float x;
};

// Recomputes the current state's lines: the last step of every layout.
void ComputeLineBreaks();

// The steps of ComputeLineBreaks. Lines are numbered from 1.
void ClearWideMarks();
void RecomputeLineBreaks();
// Cuts line i after the last candidate that fits; true when that made the
// line fit, false when nothing fits (the line is then cut where it first
// overflows, or left whole).
bool BreakLine(int32_t line);
void AddLineBreak(float x);
// False when the list cannot be had (the formula then stays on one line).
bool CollectBreakCandidates();
void FreeBreakCandidates();
float LineWidth(int32_t line);

// One-line x to x within its display line, and that line's y offset; a
// position exactly at a break belongs to the line that starts there.
float WrappedX(float x);
float WrappedYOffset(float x);
// Moves the formula pen to the display position of a one-line position.
void WrapMoveTo(float x, float y);
// Display coordinates (a mouse point) to one-line ones, in place.
void UnwrapPoint(FloatPoint& point);
// The caret's one-line x and vertical ends to display ones, in place.
void WrappedCaretPoints(float& x, float& top, float& bottom);
// Highlights a one-line rectangle that may run over several display lines:
// one piece per line it covers.
void FillWrappedRect(const FloatRect& r, bool invert, PortDC* dc);

// From (x + c, y) a line to (x, y), up by d, and c to the side: a square
// bracket opening right for c > 0, left for c < 0. The corner path stops
// after the upright stroke (floor and ceiling corners). Never split over
// lines.
void DrawBracketPath(float x, float y, float c, float d, PortDC* dc);
void DrawCornerPath(float x, float y, float c, float d, PortDC* dc);

// The width of the current formula as shown (the wrap width when it wraps)
// and its height over all its lines.
float GetFormulaWidth();
float GetFormulaHeight();
