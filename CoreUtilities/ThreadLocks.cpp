#include "CoreUtilities/ThreadLocks.h"

pthread_mutex_t PoolMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t PoolCondition = PTHREAD_COND_INITIALIZER;
pthread_mutex_t TaskMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t TaskCondition = PTHREAD_COND_INITIALIZER;
pthread_mutex_t PostMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t PostCondition = PTHREAD_COND_INITIALIZER;
pthread_mutex_t DoneMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t DoneCondition = PTHREAD_COND_INITIALIZER;

std::atomic<unsigned char> DocumentTaskAbort{0};
std::atomic<unsigned char> SingleJobOverdue{0};
