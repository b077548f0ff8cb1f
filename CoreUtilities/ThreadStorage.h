// What each thread owns: its evaluation frame, an optional scratch block and
// the marks that tell shared code which kind of thread it runs on. All of it
// is per thread and needs no lock; frame and scratch are freed when the
// thread ends.
#pragma once

#include <atomic>
#include <cstdint>

// Bytes of one frame slot: room for the widest value a slot holds.
constexpr uint32_t kEvalSlotBytes = 32;

// Makes the calling thread's frame hold at least GetEvalFrameSlots() slots.
// A grown frame keeps its contents; its new slots hold NaN in every cell.
// False (failure 36 posted, no frame left) when the heap refuses.
bool EnsureEvalFrame();
// Raises the slot count every frame must hold to n (it never falls), then
// makes the calling thread's frame hold it. Other threads catch up in their
// own EnsureEvalFrame.
void RaiseEvalFrameSlots(uint32_t n);
// The calling thread's frame; null before its first EnsureEvalFrame.
void* GetEvalFrame();

// What ReadyEvalFrame reads; written only by ThreadStorage.cpp. The frame's
// two words are found from the thread pointer, without the call that
// position-independent code would otherwise make for them (and the registers
// every point entry would then save around it); the program's libraries are
// all loaded at start-up, which is what that takes.
namespace thread_storage {
extern constinit std::atomic<uint32_t> EvalFrameSlots;
extern constinit thread_local void* Frame __attribute__((tls_model("initial-exec")));
extern constinit thread_local uint32_t FrameCapacity __attribute__((tls_model("initial-exec")));
}  // namespace thread_storage

// The calling thread's frame when it holds every slot already, else null
// (EnsureEvalFrame makes it). Inline, so that a point evaluation finds its
// frame with a few loads and no call.
inline void* CurrentEvalFrame()
{
    using namespace thread_storage;
    return FrameCapacity >= EvalFrameSlots.load(std::memory_order_acquire) ? Frame : nullptr;
}

// EnsureEvalFrame, then GetEvalFrame: null when there is no frame.
inline void* ReadyEvalFrame()
{
    if (void* frame = CurrentEvalFrame())
        return frame;
    return EnsureEvalFrame() ? GetEvalFrame() : nullptr;
}
// Slots the calling thread's frame holds.
uint32_t GetEvalFrameCapacity();
uint32_t GetEvalFrameSlots();

// The calling thread's scratch block: the first call makes a zero-filled block
// of size bytes from the budget; later calls answer that block when it holds
// size bytes, and null when it is smaller. Null on refusal (the next call
// tries again).
void* GetThreadScratch(uint32_t size);

void MarkSingleJobThread();
void MarkDocumentTaskThread();
// Set by the document analysis on the thread it runs on.
void MarkAnalysisThread();
bool IsSingleJobThread();
bool IsDocumentTaskThread();
