// What the machine offers: memory, processors, processor features.
#pragma once

#include <cstdint>

// Total physical memory in bytes.
uint64_t SystemPhysicalMemoryBytes();
// Processors this process may run on (at least 1).
int SystemProcessorCount();
// 1 when the processor has SSE2 (always on x86-64).
bool SystemHasSse2();
// The system's page size in bytes.
uint32_t SystemPageSize();
