// The codes graphs share with the graph set and the document: the options
// SetOption takes and the statuses GetStatus answers.
#pragma once

#include "document/GraphOptions.h"

#include <cstdint>

// The message shown under or over a graph (GetMessageText has the texts).
enum MessageCode : int32_t {
    MessageNone = 0,
    MessageUndefinedInRegion = 1,
    MessageUndefinedOrInfiniteInRegion = 2,
    MessageUndefinedInDomain = 3,
    MessageInfiniteInDomain = 4,
    MessageCurveOutsideRegion = 5,
    MessageNotSatisfiedAnywhere = 6,
    MessageNotSatisfiedInRegion = 7,
    MessageFalseEverywhere = 8,
    MessageFalseInRegion = 9,
    MessageUndefinedOrConstantInRegion = 10,
    MessageUndefinedOrInfiniteForRanges = 11,
    MessageNotSatisfiedForRanges = 12,
    MessageNoSurfaceForRanges = 13,
};
