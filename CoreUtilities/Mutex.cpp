#include "CoreUtilities/Mutex.h"

Mutex::Mutex() : mutex_(new pthread_mutex_t)
{
    pthread_mutex_init(mutex_, nullptr);
}

Mutex::~Mutex()
{
    pthread_mutex_destroy(mutex_);
    delete mutex_;
}

MutexLock::MutexLock(Mutex& mutex) : MutexLock(*mutex.Native()) {}

MutexLock::MutexLock(pthread_mutex_t& mutex) : mutex_(&mutex)
{
    pthread_mutex_lock(mutex_);
}

MutexLock::~MutexLock()
{
    pthread_mutex_unlock(mutex_);
}
