// What every run polls between instructions, shared with the runs nested in
// it (user-function bodies, constant-table entries), so that one stop ends
// them all.
#pragma once

#include "CoreUtilities/ThreadLocks.h"

#include <atomic>

struct RunControl {
    // The outermost program's stop request.
    const std::atomic<unsigned char>* stopRequest;
    // Set by the run that a stop check ended; the runs around it end too.
    bool stopped;
};

// The slow half of the stop checks, reached only while one of the global
// flags is raised: whether it concerns the calling thread.
bool ThreadFlagStopsRun();

// The fast half of the stop checks made after every instruction: nonzero
// when the program's stop request or one of the global flags is raised. The
// checks themselves, in their order: the program's request, then the single
// job's overdue flag on the single-job thread, then the document task's
// abort flag on the document-task thread.
inline unsigned char StopFlagsRaised(const std::atomic<unsigned char>* stopRequest)
{
    return stopRequest->load(std::memory_order_relaxed) | SingleJobOverdue.load(std::memory_order_relaxed) |
           DocumentTaskAbort.load(std::memory_order_relaxed);
}

// The whole check, once StopFlagsRaised answered nonzero.
inline bool StopChecksFire(const std::atomic<unsigned char>* stopRequest)
{
    return stopRequest->load(std::memory_order_relaxed) != 0 || ThreadFlagStopsRun();
}
