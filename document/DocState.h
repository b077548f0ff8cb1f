// The document state record: everything one open document holds.
#pragma once

#include <cstdint>

struct DocState {
    // Id of the running analysis thread (StartCoopThread); NoCoopThread (-1)
    // when none. The analysis clears it itself as its last step.
    int32_t AnalysisThread = -1;
};
