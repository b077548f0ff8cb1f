// The inside of a region, for the platform code that hands it to the painter.
#pragma once

#include <QRegion>

struct RegionData {
    QRegion area;
};
