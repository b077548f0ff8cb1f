// An event that lets one waiter through per signal and then closes again.
// A signal given while nobody waits is kept (once) for the next waiter.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class AutoResetEvent {
public:
    void Set();
    void Reset();
    void Wait();
    // False when the time ran out before a signal came.
    bool WaitFor(uint32_t milliseconds);

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_signalled = false;
};
