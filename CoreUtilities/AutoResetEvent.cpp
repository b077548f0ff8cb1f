#include "CoreUtilities/AutoResetEvent.h"

#include <chrono>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t kSignalled = 1;
constexpr uint32_t kWaiter = 2;
// A hand-over usually comes within microseconds: looking again a few times
// before sleeping saves the sleep and the wake-up.
constexpr int kRelaxedLooks = 12;
constexpr int kYieldingLooks = 4;

// Sleeps while the word holds expected, at most the timeout when there is one.
void SleepWhileUnchanged(std::atomic<uint32_t>* word, uint32_t expected, const timespec* timeout)
{
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, timeout, nullptr, 0);
}

// Takes only the address: the kernel does not read the word to wake a
// private sleeper, so the event may already be gone.
void WakeOne(std::atomic<uint32_t>* word)
{
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

inline void Relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

void AutoResetEvent::Set()
{
    // The word is the last of the event this touches: a waiter let through
    // may destroy the event at once.
    uint32_t old = m_word.fetch_or(kSignalled, std::memory_order_release);
    if (!(old & kSignalled) && old >= kWaiter)
        WakeOne(&m_word);
}

void AutoResetEvent::Reset()
{
    m_word.fetch_and(~kSignalled, std::memory_order_relaxed);
}

bool AutoResetEvent::TryTake()
{
    uint32_t word = m_word.load(std::memory_order_relaxed);
    while (word & kSignalled) {
        if (m_word.compare_exchange_weak(word, word & ~kSignalled, std::memory_order_acquire,
                                         std::memory_order_relaxed))
            return true;
    }
    return false;
}

void AutoResetEvent::Wait()
{
    WaitWithin(false, 0);
}

bool AutoResetEvent::WaitFor(uint32_t milliseconds)
{
    return WaitWithin(true, milliseconds);
}

bool AutoResetEvent::WaitWithin(bool timed, uint32_t milliseconds)
{
    for (int look = 0; look < kRelaxedLooks + kYieldingLooks; ++look) {
        if (TryTake())
            return true;
        if (timed && milliseconds == 0)
            return false;
        if (look < kRelaxedLooks)
            Relax();
        else
            std::this_thread::yield();
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (TryTake())
            return true;
        timespec timeout{};
        if (timed) {
            auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            timeout.tv_sec = static_cast<time_t>(left.count() / 1000000000);
            timeout.tv_nsec = static_cast<long>(left.count() % 1000000000);
        }
        // Counted as a waiter before the last look at the signal: a Set
        // after the count wakes this thread, one before it is seen here.
        uint32_t word = m_word.fetch_add(kWaiter, std::memory_order_acquire) + kWaiter;
        if (!(word & kSignalled))
            SleepWhileUnchanged(&m_word, word, timed ? &timeout : nullptr);
        m_word.fetch_sub(kWaiter, std::memory_order_relaxed);
    }
}
