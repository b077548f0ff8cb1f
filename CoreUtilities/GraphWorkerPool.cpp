#include "CoreUtilities/GraphWorkerPool.h"

#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/EngineThread.h"
#include "CoreUtilities/GraphJobTarget.h"
#include "CoreUtilities/SystemInfo.h"
#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"

#include <atomic>
#include <deque>

namespace {

// Guarded by PoolMutex. Made at first use and never destroyed, so workers
// still blocked at process exit never meet a dead queue.
struct PoolQueues {
    std::deque<GraphJob*> ready;
    std::deque<GraphJob*> deferred;
};

PoolQueues& Queues()
{
    static PoolQueues* queues = new PoolQueues;
    return *queues;
}

// Changed under PoolMutex; workers also read it between jobs.
std::atomic<bool> PoolStop{false};

// User-interface thread only: the workers' handles and their count.
pthread_t* Workers = nullptr;
int32_t WorkerCount = 0;

std::atomic<int32_t> ProcessorCount{0};

// The next job to run: the first ready one, unless its dependency is
// incomplete, in which case it is deferred and the answer is null. Also null,
// with ended set, when the pool stops with nothing ready. Caller holds
// PoolMutex.
GraphJob* TakeReadyJob(PoolQueues& queues, bool& ended)
{
    while (queues.ready.empty()) {
        if (PoolStop.load(std::memory_order_relaxed)) {
            ended = true;
            return nullptr;
        }
        pthread_cond_wait(&PoolCondition, &PoolMutex);
    }
    GraphJob* job = queues.ready.front();
    queues.ready.pop_front();
    if (job->dependency && !job->dependency->IsComplete()) {
        queues.deferred.push_back(job);
        return nullptr;
    }
    return job;
}

// The jobs waiting on the graph go to the back of the ready queue, in their
// order; true when any did. Caller holds PoolMutex.
bool ReleaseDeferredJobs(PoolQueues& queues, const GraphJobTarget* graph)
{
    bool moved = false;
    for (auto it = queues.deferred.begin(); it != queues.deferred.end();) {
        if ((*it)->dependency == graph) {
            queues.ready.push_back(*it);
            it = queues.deferred.erase(it);
            moved = true;
        } else {
            ++it;
        }
    }
    return moved;
}

void RunGraphJob(PoolQueues& queues, GraphJob* job)
{
    // Without a frame the interpreters would write through null; the part
    // counts as stopped (failure 36 is posted) and the graph stays incomplete.
    int32_t result = GraphJobStopped;
    if (EnsureEvalFrame()) {
        job->state.store(GraphJobRunning, std::memory_order_relaxed);
        result = job->graph->ComputeChunk(job->part);
    }
    {
        MutexLock hold(PoolMutex);
        // Only a move makes jobs ready; waking the idle workers for nothing
        // after every part would cost more than the parts themselves.
        if (ReleaseDeferredJobs(queues, job->graph))
            pthread_cond_broadcast(&PoolCondition);
    }
    // The last touch of the job: once the state is announced, its graph may
    // free it.
    MutexLock hold(job->lock);
    job->state.store(result, std::memory_order_release);
    job->done.Broadcast();
}

void* GraphWorkerMain(void*)
{
    SetDebuggerThreadName(pthread_self(), "GraphWorker");
    PoolQueues& queues = Queues();
    // A worker that finds a job ready takes it even when the stop has just
    // been raised, and then ends.
    while (!PoolStop.load(std::memory_order_relaxed)) {
        bool ended = false;
        GraphJob* job;
        {
            MutexLock hold(PoolMutex);
            job = TakeReadyJob(queues, ended);
        }
        if (ended)
            break;
        if (job)
            RunGraphJob(queues, job);
    }
    return nullptr;
}

}  // namespace

GraphJob* NewGraphJobsPerProcessor(GraphJobTarget* graph)
{
    return NewGraphJobs(graph, GetProcessorCount());
}

void EnqueueGraphJob(GraphJob* job)
{
    EnqueueGraphJobs(job, 1);
}

void EnqueueGraphJobs(GraphJob* first, int32_t n)
{
    PoolQueues& queues = Queues();
    MutexLock hold(PoolMutex);
    for (int32_t i = 0; i < n; ++i) {
        queues.ready.push_back(first + i);
        first[i].state.store(GraphJobQueued, std::memory_order_relaxed);
    }
    // One worker per job is enough: waking every idle worker for a lone job
    // makes them all queue up for the lock and costs more than the job.
    if (n == 1)
        pthread_cond_signal(&PoolCondition);
    else
        pthread_cond_broadcast(&PoolCondition);
}

void CancelGraphJobs(GraphJobTarget* graph)
{
    PoolQueues& queues = Queues();
    MutexLock hold(PoolMutex);
    for (std::deque<GraphJob*>* queue : {&queues.ready, &queues.deferred}) {
        for (auto it = queue->begin(); it != queue->end();) {
            if ((*it)->graph == graph) {
                (*it)->state.store(GraphJobStopped, std::memory_order_release);
                it = queue->erase(it);
            } else {
                ++it;
            }
        }
    }
}

int32_t GetProcessorCount()
{
    int32_t count = ProcessorCount.load(std::memory_order_relaxed);
    if (count == 0) {
        count = SystemProcessorCount();
        ProcessorCount.store(count, std::memory_order_relaxed);
    }
    return count;
}

void SetProcessorCountOverride(int32_t n)
{
    ProcessorCount.store(n > 0 ? n : 0, std::memory_order_relaxed);
}

void StartGraphWorkers()
{
    // A second start would lose the handles of the running workers.
    if (Workers)
        return;
    {
        MutexLock hold(PoolMutex);
        PoolStop.store(false, std::memory_order_relaxed);
    }
    const int32_t count = GetProcessorCount();
    Workers = new pthread_t[count];
    WorkerCount = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (StartEngineThread(&GraphWorkerMain, nullptr, &Workers[WorkerCount]))
            ++WorkerCount;
    }
}

void StopWorkerPool()
{
    {
        MutexLock hold(PoolMutex);
        PoolStop.store(true, std::memory_order_relaxed);
        pthread_cond_broadcast(&PoolCondition);
    }
    if (!Workers)
        return;
    for (int32_t i = 0; i < WorkerCount; ++i)
        pthread_join(Workers[i], nullptr);
    delete[] Workers;
    Workers = nullptr;
    WorkerCount = 0;
}

void RestartGraphWorkers(int32_t n)
{
    StopWorkerPool();
    SetProcessorCountOverride(n);
    StartGraphWorkers();
}
