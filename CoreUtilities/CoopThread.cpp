#include "CoreUtilities/CoopThread.h"

#include "CoreUtilities/AutoResetEvent.h"
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/MemoryBudget.h"

#include <cstring>
#include <mutex>
#include <new>

unsigned char CoopSliceOverrun = 0;
size_t CoopThreadStackBytes = 8u << 20;

namespace {

// What the thread runs; freed by the thread when it ends.
struct CoopStartRecord {
    CoopThreadFunction function;
    DocState* doc;
    int32_t id;
};

// The lock that guards the thread record and orders the hand-over signals,
// and the two events: RUN lets the cooperative thread run, DONE hands control
// back (or tells that the thread ended). Made at first use and never
// destroyed, so a thread still waiting at exit never meets a dead object.
struct CoopThreadHandshake {
    std::mutex lock;
    AutoResetEvent done;
    AutoResetEvent run;
    // The recorded thread; its handle is meaningful while id is not NoCoopThread.
    int32_t id = NoCoopThread;
    pthread_t thread{};
    int32_t lastId = 0;
};

CoopThreadHandshake& Handshake()
{
    static CoopThreadHandshake* handshake = new CoopThreadHandshake;
    return *handshake;
}

const int32_t SliceLength = TicksToMilliseconds(10);
const int32_t OverrunLimit = TicksToMilliseconds(40);
constexpr uint32_t kDoneWaitMs = 5000;

// Written by the user-interface thread before it signals RUN, read by the
// cooperative thread after RUN: the hand-over orders the two.
uint32_t SliceDeadline = 0;

// How CoopYield tells the cooperative thread from every other thread: on the
// user-interface thread a wait for RUN would never end.
thread_local bool OnCoopThread = false;

void* CoopThreadMain(void* argument)
{
    auto* record = static_cast<CoopStartRecord*>(argument);
    CoopThreadHandshake& handshake = Handshake();
    SetDebuggerThreadName(pthread_self(), "UICoopThread");
    OnCoopThread = true;
    handshake.run.Wait();
    record->function(record->doc);
    {
        std::lock_guard<std::mutex> lock(handshake.lock);
        // Ended on its own: nobody will join it. After a stop the stopper joins.
        if (handshake.id == record->id) {
            pthread_detach(handshake.thread);
            handshake.id = NoCoopThread;
        }
        handshake.done.Set();
    }
    delete record;
    return nullptr;
}

int32_t CreateCoopThread(CoopStartRecord* record)
{
    CoopThreadHandshake& handshake = Handshake();
    std::lock_guard<std::mutex> lock(handshake.lock);
    // A DONE left over from an earlier thread must not end the first wait of this one.
    handshake.done.Reset();
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return NoCoopThread;
    pthread_t thread;
    int failed = pthread_attr_setstacksize(&attributes, CoopThreadStackBytes);
    if (!failed)
        failed = pthread_create(&thread, &attributes, CoopThreadMain, record);
    pthread_attr_destroy(&attributes);
    if (failed)
        return NoCoopThread;
    handshake.lastId = handshake.lastId == INT32_MAX ? 1 : handshake.lastId + 1;
    record->id = handshake.lastId;
    handshake.id = record->id;
    handshake.thread = thread;
    return record->id;
}

}  // namespace

int32_t StartCoopThread(CoopThreadFunction function, DocState* doc)
{
    CoopThreadHandshake& handshake = Handshake();
    // Two recorded threads would take each other's slices; the document
    // stops the old analysis first, and this makes sure of it.
    int32_t previous;
    {
        std::lock_guard<std::mutex> lock(handshake.lock);
        previous = handshake.id;
    }
    StopCoopThread(previous);

    auto* record = new (std::nothrow) CoopStartRecord{function, doc, NoCoopThread};
    int32_t id = record ? CreateCoopThread(record) : NoCoopThread;
    if (id == NoCoopThread) {
        delete record;
        // No thread is recorded, so every CoopYield returns at once and the
        // whole analysis runs in this call.
        function(doc);
    }
    return id;
}

void RunCoopThreadSlice()
{
    if (CoopSliceOverrun)
        return;
    CoopThreadHandshake& handshake = Handshake();
    uint32_t t0 = ClockMilliseconds();
    SliceDeadline = t0 + SliceLength;
    std::unique_lock<std::mutex> lock(handshake.lock);
    if (handshake.id != NoCoopThread) {
        handshake.run.Set();
        lock.unlock();
        while (!handshake.done.WaitFor(kDoneWaitMs)) {
            std::lock_guard<std::mutex> relock(handshake.lock);
            if (handshake.id == NoCoopThread)
                break;
        }
    } else {
        lock.unlock();
    }
    // Elapsed time, so that the test holds across the clock's wrap.
    if (ClockMilliseconds() - t0 > static_cast<uint32_t>(OverrunLimit))
        CoopSliceOverrun = 1;
}

void CoopYield()
{
    if (!OnCoopThread || AbortFlag.load(std::memory_order_relaxed))
        return;
    if (static_cast<int32_t>(ClockMilliseconds() - SliceDeadline) <= 0)
        return;
    CoopThreadHandshake& handshake = Handshake();
    {
        std::lock_guard<std::mutex> lock(handshake.lock);
        if (handshake.id == NoCoopThread)
            return;
    }
    handshake.done.Set();
    // The user-interface side set the new slice's deadline before it signalled RUN.
    handshake.run.Wait();
}

void StopCoopThread(int32_t id)
{
    CoopThreadHandshake& handshake = Handshake();
    std::unique_lock<std::mutex> lock(handshake.lock);
    if (id == NoCoopThread || id != handshake.id)
        return;
    unsigned char previous = AbortFlag.load();
    AbortFlag.store(1);
    // Starts a thread that never had a slice, or releases one waiting in CoopYield.
    handshake.run.Set();
    pthread_t thread = handshake.thread;
    handshake.id = NoCoopThread;
    lock.unlock();
    pthread_join(thread, nullptr);
    AbortFlag.store(previous);
}

void SetDebuggerThreadName(pthread_t thread, const char* name)
{
    char shortName[16];
    std::strncpy(shortName, name, sizeof shortName - 1);
    shortName[sizeof shortName - 1] = '\0';
    pthread_setname_np(thread, shortName);
}
