// One part of one graph's work, as the graph worker pool queues and runs it.
// A graph owns its jobs (an array from NewGraphJobs, or one embedded record)
// and reuses them across restarts.
#pragma once

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/Mutex.h"

#include <atomic>
#include <cstdint>

class GraphJobTarget;

enum GraphJobState : int32_t {
    GraphJobIdle = 0,        // never queued
    GraphJobQueued = 1,      // in the ready or the deferred queue
    GraphJobRunning = 2,
    GraphJobDone = 3,
    GraphJobStopped = 4,     // cancelled while queued, or the graph was told to stop
    GraphJobNothingToDo = 5,
};

struct GraphJob {
    GraphJobTarget* graph = nullptr;
    // A graph that must be complete before this job may run; null for none.
    GraphJobTarget* dependency = nullptr;
    int32_t part = 0;
    // Read without locks by waiters and by the pool; the final state is
    // stored and announced under lock.
    std::atomic<int32_t> state{GraphJobIdle};
    Mutex lock;
    Condition done;

    GraphJob() = default;
    explicit GraphJob(GraphJobTarget* owner, int32_t partIndex = 0) : graph(owner), part(partIndex) {}

    // Neither queued nor running: idle, done, stopped or nothing to do.
    bool IsFinished() const;
};

// n jobs of the graph in one block, parts 0 to n-1, no dependency, all idle;
// null for n below 1.
GraphJob* NewGraphJobs(GraphJobTarget* graph, int32_t n);
// Frees an array from NewGraphJobs; every job must be finished. Null-safe.
void DeleteGraphJobs(GraphJob* jobs);

// Returns once the job is finished; at once for a job that is.
void WaitForGraphJob(GraphJob* job);
