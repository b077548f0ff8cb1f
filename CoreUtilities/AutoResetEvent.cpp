#include "CoreUtilities/AutoResetEvent.h"

#include <chrono>

void AutoResetEvent::Set()
{
    // Notified under the lock: a waiter that wakes may destroy the event.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
    m_condition.notify_one();
}

void AutoResetEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

void AutoResetEvent::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_condition.wait(lock, [this] { return m_signalled; });
    m_signalled = false;
}

bool AutoResetEvent::WaitFor(uint32_t milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_condition.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_signalled; }))
        return false;
    m_signalled = false;
    return true;
}
