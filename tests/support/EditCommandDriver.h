// Drives the editor with arbitrary edit steps, for the random test and the
// fuzz target of the edit commands: each step selects some node of the
// formula in some mode and runs one command there.
#pragma once

#include <cstdint>

struct EditorState;

// One step from three choices: which node (pre-order, modulo their number),
// which selection mode and positions, which command. Selections that make no
// sense for the node fall back to selecting it.
void ApplyEditStep(EditorState* state, uint8_t where, uint8_t how, uint8_t what);
