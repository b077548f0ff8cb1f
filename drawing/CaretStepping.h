// Caret arithmetic over wide text: steps that never split a surrogate pair,
// and the character under a horizontal offset.
#pragma once

#include <cstdint>

class TextFont;

int32_t CaretTextLength(const char16_t* text);
// The index one character left (direction 0 or 2) or right (1 or 3) of
// index; any other direction keeps it.
int32_t StepCaret(const char16_t* text, int32_t index, int32_t direction);
// Every text runs left to right (direction class 2).
int32_t TextRunDirection(const char16_t* text);
// Steps from the larger of a and b for direction 2, else from the smaller.
int32_t StepCaretInRun(const char16_t* text, int32_t a, int32_t b, int32_t direction);
// The index of the character under x (device units from the run's start) in
// the font; -1 when the system gives no placement.
int32_t CaretIndexAtX(const char16_t* text, float x, const TextFont& font);
// The cells of CaretIndexAtX over given advances: each cell is shifted left
// by half the first advance. Empty text answers 0.
int32_t CaretIndexInCells(const int32_t* dx, int32_t length, float x);
