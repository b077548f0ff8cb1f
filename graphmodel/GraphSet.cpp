#include "graphmodel/GraphSet.h"

// A set without views draws nothing, offers no zones and never spins.
GraphSet::~GraphSet() = default;

void GraphSet::Draw(int32_t, int32_t) {}

void GraphSet::GetAxisHitRegion(Region g, int32_t)
{
    SetRegionEmpty(g);
}

void GraphSet::GetGraphHitRegion(Region g, int32_t, ShortPoint)
{
    SetRegionEmpty(g);
}

bool GraphSet::IsSpinning() const
{
    return false;
}
