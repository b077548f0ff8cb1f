// The block pools that formula trees come from, one set per thread group:
// the document-task thread has its own, every other thread shares the main
// set (the user-interface and analysis threads never run at once). A tree is
// freed by the thread group that made it.
#pragma once

#include "formula/BlockPool.h"

enum NodePoolIndex : int {
    kNodeBlockPool = 0,
    kLayoutBoxPool = 1,
    kOneChildPool = 2,
    kTwoChildPool = 3,
    kThreeChildPool = 4,
    kNumberPayloadPool = 5,
    kNodePoolCount = 6,
};

struct NodePoolSet {
    BlockPool pools[kNodePoolCount];

    NodePoolSet();
    BlockPool& operator[](int index) { return pools[index]; }
};

// Makes the calling thread group's set unless it exists; false when it
// cannot be made.
bool CreateNodePoolSet();
// The document-task thread's set on that thread, else the main set; null
// before the set was made.
NodePoolSet* CurrentNodePoolSet();
// Flushes the six pools of the current set, in pool order.
void FlushNodePools();
// Gives back every chunk of the current set and the set itself.
void DestroyNodePoolSet();
