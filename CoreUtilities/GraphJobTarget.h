// What the graph worker pool asks of the object whose work it runs: the
// computing protocol of a graph. The object splits its work into parts;
// workers compute the parts, several at once.
#pragma once

#include <cstdint>

class GraphJobTarget {
public:
    virtual ~GraphJobTarget() = default;

    // Runs on a worker: computes one part and stores its results under the
    // object's own lock. Answers the job state the part ends in:
    // GraphJobDone (3), GraphJobStopped (4) when it saw that it was told to
    // stop, GraphJobNothingToDo (5) when there was nothing to compute.
    virtual int32_t ComputeChunk(int32_t part) = 0;

    // Every part has been computed. The pool asks it on a job's dependency
    // while holding the pool lock, so it takes no lock and never blocks.
    virtual bool IsComplete() = 0;
};
