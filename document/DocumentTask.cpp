#include "document/DocumentTask.h"

#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/EngineThread.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/SingleJob.h"
#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "formula/NodePoolSet.h"

#include <algorithm>
#include <atomic>
#include <deque>

namespace {

// Guarded by TaskMutex; never destroyed, like the lock itself.
std::deque<DocState*>& TaskQueue()
{
    static auto* queue = new std::deque<DocState*>;
    return *queue;
}

void RefreshDocumentResults(DocState* doc)
{
    doc->RefreshResults();
}

std::atomic<DocumentTaskRoutine> TaskRoutine{&RefreshDocumentResults};

DocState* TakeQueuedDocument()
{
    std::deque<DocState*>& queue = TaskQueue();
    MutexLock hold(TaskMutex);
    while (queue.empty())
        pthread_cond_wait(&TaskCondition, &TaskMutex);
    DocState* doc = queue.front();
    queue.pop_front();
    // Under the queue's lock, so that a cancel finds the document either
    // still queued or already running.
    doc->TaskState.store(DocumentTaskRunning, std::memory_order_relaxed);
    return doc;
}

}  // namespace

void SetDocumentTaskRoutine(DocumentTaskRoutine routine)
{
    TaskRoutine.store(routine ? routine : &RefreshDocumentResults);
}

void EnqueueDocumentTask(DocState* doc)
{
    doc->CompileUserFunctions();
    std::deque<DocState*>& queue = TaskQueue();
    MutexLock hold(TaskMutex);
    if (std::find(queue.begin(), queue.end(), doc) == queue.end()) {
        queue.push_back(doc);
        pthread_cond_broadcast(&TaskCondition);
    }
}

bool CancelDocumentTask(DocState* doc)
{
    bool queued;
    {
        std::deque<DocState*>& queue = TaskQueue();
        MutexLock hold(TaskMutex);
        auto end = std::remove(queue.begin(), queue.end(), doc);
        queued = end != queue.end();
        queue.erase(end, queue.end());
    }
    // Looked at under the task lock even when no task runs: a task that has
    // just finished may still be announcing it, and the caller may free the
    // document as soon as this returns.
    MutexLock hold(doc->TaskLock);
    if (doc->TaskState.load(std::memory_order_acquire) != DocumentTaskRunning)
        return queued;
    DocumentTaskAbort.store(1);
    while (doc->TaskState.load(std::memory_order_acquire) != DocumentTaskFinished)
        doc->TaskSignal.Wait(doc->TaskLock);
    DocumentTaskAbort.store(0);
    return true;
}

bool IsDocumentTaskPending(DocState* doc)
{
    if (doc->TaskState.load(std::memory_order_acquire) == DocumentTaskRunning)
        return true;
    std::deque<DocState*>& queue = TaskQueue();
    MutexLock hold(TaskMutex);
    return std::find(queue.begin(), queue.end(), doc) != queue.end();
}

void* DocumentTaskThreadMain(void*)
{
    SetDebuggerThreadName(pthread_self(), "DocumentTask");
    // The mark comes first: it makes the node pools this thread's own, apart
    // from the pools the other threads share, and every tree made here comes
    // from them.
    MarkDocumentTaskThread();
    CreateNodePoolSet();
    for (;;) {
        DocState* doc = TakeQueuedDocument();
        // Without pools or a frame no tree can be made and nothing evaluated:
        // the results stay stale until the next task, which tries again.
        if (CreateNodePoolSet() && EnsureEvalFrame())
            TaskRoutine.load()(doc);
        MutexLock hold(doc->TaskLock);
        doc->TaskState.store(DocumentTaskFinished, std::memory_order_release);
        doc->TaskSignal.Broadcast();
    }
}

void StartWorkerThreads()
{
    static std::atomic<bool> started{false};
    if (started.exchange(true))
        return;
    StartGraphWorkers();
    StartEngineThread(&SingleJobThreadMain, nullptr, nullptr);
    StartEngineThread(&DocumentTaskThreadMain, nullptr, nullptr);
}
