// Vertex and normal storage of the 3D graphs: float triples from the memory
// budget.
#pragma once

#include <cstdint>

// n triples (12 bytes each), zero-filled when asked; null for n below 1.
// Null, with failure 36 posted, when the budget refuses or n is more than it
// can give.
float* AllocateTriples(int64_t n, bool zeroed);
