#include "CoreUtilities/SystemInfo.h"

#include <sched.h>
#include <unistd.h>

uint64_t SystemPhysicalMemoryBytes()
{
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

int SystemProcessorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

bool SystemHasSse2()
{
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("sse2");
#else
    return false;
#endif
}

uint32_t SystemPageSize()
{
    long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<uint32_t>(size) : 4096u;
}
