#include "graphmodel/GraphSet.h"

GraphSet::~GraphSet() = default;
