// The cooperative analysis thread. The document's analysis runs on a thread of
// its own that takes turns with the user-interface thread like a coroutine:
// the user-interface thread hands it a slice of time and waits; the analysis
// calls CoopYield at convenient points and, once its slice is used up, hands
// control back. The two never run engine code at once, so they share the
// document, the formula pools and the name registry without locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <pthread.h>

struct DocState;

using CoopThreadFunction = void (*)(DocState* doc);

// What StartCoopThread answers when it ran the function in the caller. Thread
// ids are positive, so neither -1 nor 0 ever names a thread.
constexpr int32_t NoCoopThread = -1;

// Raised when a hand-over lasted longer than the overrun limit; no slice is
// handed over until the document lowers it. User-interface thread only.
extern unsigned char CoopSliceOverrun;

// Stack size of the cooperative thread; the analysis recurses over formula trees.
extern size_t CoopThreadStackBytes;

// Starts the cooperative thread on function(doc); the thread waits for its
// first slice. Answers its id, or NoCoopThread when the function could not be
// given a thread and has already run to its end in this call.
int32_t StartCoopThread(CoopThreadFunction function, DocState* doc);

// User-interface thread: lets the cooperative thread run for one slice and
// waits until it yields or ends.
void RunCoopThreadSlice();

// Cooperative thread: once the slice is used up, hands control back and waits
// for the next slice. Returns at once on any other thread and while AbortFlag
// is raised (an analysis being stopped runs on to its end).
void CoopYield();

// User-interface thread: ends the thread with the given id (AbortFlag raised
// for the time of the stop, then put back) and waits for it. Any other id
// (NoCoopThread, an ended thread's) does nothing.
void StopCoopThread(int32_t id);

// Names a thread for debuggers and the system's thread lists (15 characters at most).
void SetDebuggerThreadName(pthread_t thread, const char* name);
