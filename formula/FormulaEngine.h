// One-time start of the formula engine and the constants every evaluator
// shares.
#pragma once

#include "numerics/UndefinedValues.h"

// Runs once per process on the user-interface thread (later calls do
// nothing): size table, main node pools, constants, decimal separator,
// style-key names. False when the node pools cannot be made.
bool InitFormulaEngine();
