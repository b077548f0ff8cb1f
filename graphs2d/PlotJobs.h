// How a 2D plot computes on the graph worker pool: its jobs (one embedded
// job for a plot that computes in one part, or one per processor), the stop
// byte its parts poll, a done flag per part, and the mutex that guards the
// plot's results. The plot's ComputeChunk(i) answers GraphJobStopped when
// StopRequested() is set (its part then stays not done), else computes and
// ends with FinishPart(i).
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/Mutex.h"

#include <atomic>
#include <cstdint>
#include <memory>

struct CompiledFormula;
struct DocState;

// The job embedded in a plot that computes in one part.
struct WorkItem : GraphJob {
    explicit WorkItem(GraphJobTarget* graph) : GraphJob(graph, 0) {}
};

class PlotJobs {
public:
    // parts: 1 for one embedded job, 0 for one per processor.
    PlotJobs(GraphJobTarget* graph, int32_t parts);
    // Takes queued parts out and waits for running ones; the owner stops
    // first, while its formulas still exist.
    ~PlotJobs();
    PlotJobs(const PlotJobs&) = delete;
    PlotJobs& operator=(const PlotJobs&) = delete;

    // The formulas (colour formulas included) that Stop and Start reach;
    // the array stays the plot's and must live as long as these jobs.
    void SetFormulas(CompiledFormula* const* formulas, int32_t n);

    int32_t Parts() const { return count_; }
    // Lowers the formulas' stop requests and the stop byte, clears the done
    // flags and queues every part. A plot whose parts still run or wait is
    // stopped first, so that no job is ever queued twice.
    void Start();
    // Raises the stop byte and the formulas' stop requests, takes the queued
    // parts out (they never run) and waits for the running ones.
    void Stop();
    // Returns once no part runs or waits, without stopping any.
    void Wait();
    bool StopRequested() const { return stop_.load(std::memory_order_relaxed) != 0; }
    // Every part is done. Takes no lock: the pool asks it under its own.
    bool IsComplete() const;
    // Part i ends: under the mutex it is marked done and, when the plot is
    // now complete (or after every part when asked), the document is asked
    // for a redraw. Answers GraphJobDone for ComputeChunk to return.
    int32_t FinishPart(int32_t part, DocState* doc, bool redrawEveryPart = false);
    // The results came from elsewhere (the image cache): every part done,
    // nothing queued.
    void MarkAllDone();

    // Guards the plot's results; workers take it to publish.
    Mutex lock;

private:
    bool AnyJobUnfinished() const;

    WorkItem single_;
    // single_ or an array from NewGraphJobs.
    GraphJob* jobs_;
    int32_t count_;
    std::atomic<uint8_t> stop_{0};
    std::unique_ptr<std::atomic<uint8_t>[]> done_;
    CompiledFormula* const* formulas_ = nullptr;
    int32_t formulaCount_ = 0;
};
