// Owner of a POSIX mutex, and the scoped lock every engine lock goes through.
#pragma once

#include <pthread.h>

class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    pthread_mutex_t* Native() const { return mutex_; }

private:
    pthread_mutex_t* mutex_;
};

// Holds a mutex from construction to the end of the scope. Takes an owner or
// one of the statically initialised process-wide mutexes.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex);
    explicit MutexLock(pthread_mutex_t& mutex);
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    pthread_mutex_t* mutex_;
};
