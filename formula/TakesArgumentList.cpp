#include "formula/TakesArgumentList.h"

#include "formula/NodeKindTable.h"

bool TakesArgumentList(int32_t kind)
{
    switch (kind) {
    case KindMod:
    case KindMin:
    case KindMax:
    case KindClamp:
    case KindSlider:
    case KindAggregateSum:
    case KindCount:
    case KindMean:
    case KindStdDev:
    case KindRotate:
    case KindInterpolate:
    case KindAnd:
    case KindOr:
        return true;
    default:
        return false;
    }
}
