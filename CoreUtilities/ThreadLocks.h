// The process-wide locks of the graph worker pool, the document-task queue
// and the single-job thread, and the stop flags the interpreters poll.
// The locks are statically initialised and never destroyed, so threads still
// waiting on them at process exit find them intact.
#pragma once

#include <atomic>
#include <pthread.h>

// The ready and deferred job queues and the pool's stop flag.
extern pthread_mutex_t PoolMutex;
extern pthread_cond_t PoolCondition;
// The document-task queue.
extern pthread_mutex_t TaskMutex;
extern pthread_cond_t TaskCondition;
// The single job's posted pointer: the posting side ...
extern pthread_mutex_t PostMutex;
extern pthread_cond_t PostCondition;
// ... and the completion side.
extern pthread_mutex_t DoneMutex;
extern pthread_cond_t DoneCondition;

// Raised while a running document task is being cancelled; polled only on
// the document-task thread.
extern std::atomic<unsigned char> DocumentTaskAbort;
// Raised while the poster of a single job has waited past its time-out;
// polled only on the single-job thread.
extern std::atomic<unsigned char> SingleJobOverdue;
