// An event that lets one waiter through per signal and then closes again.
// A signal given while nobody waits is kept (once) for the next waiter.
#pragma once

#include <atomic>
#include <cstdint>

class AutoResetEvent {
public:
    void Set();
    void Reset();
    void Wait();
    // False when the time ran out before a signal came.
    bool WaitFor(uint32_t milliseconds);

private:
    bool TryTake();
    // Without a time limit when timed is false.
    bool WaitWithin(bool timed, uint32_t milliseconds);

    // One word, so that a signal and the waiters it must wake are seen
    // together: bit 0 is the signal, the bits above count the threads
    // asleep (or going to sleep) on the word.
    std::atomic<uint32_t> m_word{0};
};
