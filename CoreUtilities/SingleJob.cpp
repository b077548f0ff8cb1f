#include "CoreUtilities/SingleJob.h"

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"

#include <atomic>
#include <ctime>

namespace {

// The posted view: set under PostMutex by the poster, cleared under both
// locks by the single-job thread.
std::atomic<SingleJobTarget*> PostedJob{nullptr};

bool PostedJobEnded()
{
    return PostedJob.load(std::memory_order_acquire) == nullptr;
}

// The time-out counts from the current whole second, so the job gets between
// one and two seconds.
timespec OverdueTimeOut()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return timespec{2, -now.tv_nsec};
}

}  // namespace

void RunSingleJob(SingleJobTarget* view)
{
    const timespec timeOut = OverdueTimeOut();
    {
        MutexLock hold(PostMutex);
        PostedJob.store(view, std::memory_order_release);
        pthread_cond_broadcast(&PostCondition);
    }
    {
        // Waits on through wake-ups that come before the end: a job that ends
        // in time is never marked overdue.
        MutexLock hold(DoneMutex);
        if (TimedWaitCondition(timeOut, DoneCondition, DoneMutex, &PostedJobEnded))
            return;
    }
    SingleJobOverdue.store(1);
    {
        MutexLock hold(DoneMutex);
        while (!PostedJobEnded())
            pthread_cond_wait(&DoneCondition, &DoneMutex);
    }
    SingleJobOverdue.store(0);
}

void* SingleJobThreadMain(void*)
{
    SetDebuggerThreadName(pthread_self(), "SingleJob");
    MarkSingleJobThread();
    for (;;) {
        MutexLock post(PostMutex);
        SingleJobTarget* view;
        while (!(view = PostedJob.load(std::memory_order_acquire)))
            pthread_cond_wait(&PostCondition, &PostMutex);
        // Without a frame nothing can be evaluated; the view finds the result
        // it cleared before posting.
        if (EnsureEvalFrame())
            view->RunJob();
        MutexLock done(DoneMutex);
        PostedJob.store(nullptr, std::memory_order_release);
        pthread_cond_broadcast(&DoneCondition);
    }
}
