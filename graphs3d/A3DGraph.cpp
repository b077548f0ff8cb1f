#include "graphs3d/A3DGraph.h"

bool A3DGraph::GetDataBounds(double*, double*, double*, double*, double*, double*)
{
    return false;
}
