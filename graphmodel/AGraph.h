// The base of every plotted object: the computing protocol that the graph
// worker pool drives. A graph splits its work into parts; workers compute the
// parts, several at once, while every other operation runs on the
// user-interface thread.
#pragma once

#include <cstdint>

class AGraph {
public:
    virtual ~AGraph() = default;

    // Runs on a worker: computes one part and stores its results under the
    // graph's own lock. Answers the job state the part ends in:
    // GraphJobDone (3), GraphJobStopped (4) when it saw that the graph was
    // told to stop, GraphJobNothingToDo (5) when there was nothing to compute.
    virtual int32_t ComputeChunk(int32_t part) = 0;

    // Every part has been computed. The pool asks it on a job's dependency
    // while holding the pool lock, so it takes no lock and never blocks.
    virtual bool IsComplete() = 0;
};
