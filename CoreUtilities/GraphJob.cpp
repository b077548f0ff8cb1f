#include "CoreUtilities/GraphJob.h"

bool GraphJob::IsFinished() const
{
    int32_t now = state.load(std::memory_order_acquire);
    return now != GraphJobQueued && now != GraphJobRunning;
}

GraphJob* NewGraphJobs(GraphJobTarget* graph, int32_t n)
{
    if (n < 1)
        return nullptr;
    // new[] keeps the count in front of the block, so the array is
    // destroyed as a whole.
    GraphJob* jobs = new GraphJob[n];
    for (int32_t i = 0; i < n; ++i) {
        jobs[i].graph = graph;
        jobs[i].part = i;
    }
    return jobs;
}

void DeleteGraphJobs(GraphJob* jobs)
{
    delete[] jobs;
}

void WaitForGraphJob(GraphJob* job)
{
    // Always under the job's lock, even when the state already reads
    // finished: the worker announces the end under it, and the caller may
    // free the job as soon as this returns.
    MutexLock hold(job->lock);
    while (!job->IsFinished())
        job->done.Wait(job->lock);
}
