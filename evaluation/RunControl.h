// What every run polls between instructions, shared with the runs nested in
// it (user-function bodies, constant-table entries), so that one stop ends
// them all.
#pragma once

#include <atomic>

struct BytecodeProgram;

struct RunControl {
    // The outermost program's stop request.
    const std::atomic<unsigned char>* stopRequest;
    // The stop flag that concerns the calling thread (the single job's
    // overdue flag, the document task's abort flag), else one never raised.
    const std::atomic<unsigned char>* threadStop;
    // Set by the run that a stop check ended; the runs around it end too.
    bool stopped;
};

// The control of a run of the program on the calling thread.
RunControl MakeRunControl(const BytecodeProgram* program);
