#include "CoreUtilities/Condition.h"

namespace {

constexpr long kNanosecondsPerSecond = 1000000000L;

}  // namespace

Condition::Condition() : condition_(new pthread_cond_t)
{
    pthread_cond_init(condition_, nullptr);
}

Condition::~Condition()
{
    pthread_cond_destroy(condition_);
    delete condition_;
}

void Condition::Wait(Mutex& mutex)
{
    pthread_cond_wait(condition_, mutex.Native());
}

void Condition::Signal()
{
    pthread_cond_signal(condition_);
}

void Condition::Broadcast()
{
    pthread_cond_broadcast(condition_);
}

timespec MonotonicDeadline(const timespec& timeOut)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Normalise fully: a time-out's nanoseconds may be a second or more, or
    // negative, and the wait refuses anything outside [0, 1e9).
    long long nanoseconds = static_cast<long long>(now.tv_nsec) + timeOut.tv_nsec;
    long long carry = nanoseconds / kNanosecondsPerSecond;
    nanoseconds %= kNanosecondsPerSecond;
    if (nanoseconds < 0) {
        nanoseconds += kNanosecondsPerSecond;
        --carry;
    }
    timespec deadline{};
    deadline.tv_sec = now.tv_sec + timeOut.tv_sec + static_cast<time_t>(carry);
    deadline.tv_nsec = static_cast<long>(nanoseconds);
    return deadline;
}

bool WaitConditionUntil(pthread_cond_t& condition, pthread_mutex_t& mutex, const timespec& deadline)
{
    // Takes the clock per wait, so the statically initialised conditions can
    // wait on the monotonic clock too.
    // Anything but a wake-up ends the wait, so a bad deadline cannot spin.
    return pthread_cond_clockwait(&condition, &mutex, CLOCK_MONOTONIC, &deadline) == 0;
}
