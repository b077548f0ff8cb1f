#include "app/DemoPlayer.h"

namespace {

constexpr int32_t kBenchmarkMode = 4;

int32_t DemoMode = 0;

}  // namespace

int32_t GetDemoMode()
{
    return DemoMode;
}

void SetDemoMode(int32_t mode)
{
    DemoMode = mode;
}

bool IsDemoRunning()
{
    return DemoMode != 0;
}

bool IsBenchmarkRunning()
{
    return DemoMode == kBenchmarkMode;
}
