// Owner of a POSIX condition variable, and the timed wait with an absolute
// deadline on the monotonic clock (wall-clock changes never stretch or cut it).
#pragma once

#include "CoreUtilities/Mutex.h"

#include <ctime>

class Condition {
public:
    Condition();
    ~Condition();
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    pthread_cond_t* Native() const { return condition_; }
    // The caller holds mutex.
    void Wait(Mutex& mutex);
    void Signal();
    void Broadcast();

private:
    pthread_cond_t* condition_;
};

// Monotonic time now plus timeOut ({seconds, nanoseconds}), normalised.
timespec MonotonicDeadline(const timespec& timeOut);
// One wait until signalled, woken or the deadline; false when the deadline passed.
bool WaitConditionUntil(pthread_cond_t& condition, pthread_mutex_t& mutex, const timespec& deadline);

// Waits, with mutex held by the caller, until done() holds or timeOut has
// passed; a wake-up with done() still false waits on for the rest of the
// time. Answers done().
template <typename Done>
bool TimedWaitCondition(const timespec& timeOut, pthread_cond_t& condition, pthread_mutex_t& mutex, Done done)
{
    const timespec deadline = MonotonicDeadline(timeOut);
    while (!done()) {
        if (!WaitConditionUntil(condition, mutex, deadline))
            return done();
    }
    return true;
}

template <typename Done>
bool TimedWaitCondition(const timespec& timeOut, Condition& condition, Mutex& mutex, Done done)
{
    return TimedWaitCondition(timeOut, *condition.Native(), *mutex.Native(), done);
}
