// The graph worker pool: one worker thread per processor, started once, that
// takes the oldest ready job and asks its graph to compute that part. A job
// whose dependency graph is not complete waits in a deferred queue and is
// offered again each time the dependency finishes a part.
//
// A graph that stops, restarts or goes away raises its own stop flag, calls
// CancelGraphJobs(itself) and then WaitForGraphJob on each of its jobs, from
// the same thread: the cancel does not wake a thread already waiting.
#pragma once

#include "CoreUtilities/GraphJob.h"

#include <cstdint>

class GraphJobTarget;

// GetProcessorCount() jobs of the graph: one part per processor.
GraphJob* NewGraphJobsPerProcessor(GraphJobTarget* graph);

// Queues a finished job behind every ready job and wakes the workers.
void EnqueueGraphJob(GraphJob* job);
// Queues n consecutive jobs of an array in index order, under one lock.
void EnqueueGraphJobs(GraphJob* first, int32_t n);
// Takes every queued or deferred job of the graph out of the queues and marks
// it stopped; the other jobs keep their order. Running jobs are left alone.
void CancelGraphJobs(GraphJobTarget* graph);

// The processors this process may run on, asked once; an override wins.
int32_t GetProcessorCount();
// n becomes the processor count; 0 makes the next GetProcessorCount ask the
// system again.
void SetProcessorCountOverride(int32_t n);

// Starts GetProcessorCount() workers, unless workers run already.
void StartGraphWorkers();
// Makes every worker end and waits for them. A worker may run one more job
// after the stop; queued jobs stay queued for the next start.
void StopWorkerPool();
// Stops the pool and starts it again with n workers (0: one per processor).
void RestartGraphWorkers(int32_t n);
