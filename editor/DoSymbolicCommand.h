// The dispatcher of the symbolic commands on the selected term.
#pragma once

#include <cstdint>

// Runs the command of the code on the current editor state's selection: a
// run of operands is grouped first, a block of matrix cells is worked cell by
// cell, carets and gaps do nothing. A command during which a computation was
// stopped leaves the formula and the selection as they were.
void DoSymbolicCommand(int32_t code);
