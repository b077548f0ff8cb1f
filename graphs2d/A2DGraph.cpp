#include "graphs2d/A2DGraph.h"

NearestPointResult A2DGraph::NearestPoint(double, double, double, double, double)
{
    return NearestPointResult{};
}

bool A2DGraph::GetDataBounds(double*, double*, double*, double*)
{
    return false;
}
