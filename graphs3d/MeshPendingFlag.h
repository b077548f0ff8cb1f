// When a 3D graph loads its finished geometry into its mesh: once per
// computation, after the last part. Set when a computation starts; taken by
// the load (option 5) on the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>

class MeshPendingFlag {
public:
    void Arm() { pending_.store(1, std::memory_order_relaxed); }
    // True once per Arm, and only when the graph is complete: the caller
    // loads the mesh now.
    bool TakeIfComplete(bool complete)
    {
        return complete && pending_.exchange(0, std::memory_order_acq_rel) != 0;
    }

private:
    std::atomic<uint8_t> pending_{0};
};
