// How a laid-out formula is cut into display lines, and the pen move that
// follows those lines. Every formula is one line here: positions are the
// laid-out ones.
#pragma once

struct EditorState;

// Moves the formula pen to a laid-out position.
void WrapMoveTo(float x, float y);
// Finds where the formula's lines break after a layout.
void ComputeLineBreaks(EditorState* state);
