// The codes graphs share with the graph set and the document: the options
// SetOption takes and the statuses GetStatus answers.
#pragma once

#include <cstdint>

// SetOption codes; the value is a double for every code.
enum GraphOption : int32_t {
    OptionPlottingMode = 0,    // the line's PlottingMode, 0, 1 or 2
    OptionUploadMesh = 5,      // 3D: the finished mesh into GPU buffers; value ignored
    OptionUploadProgress = 6,  // 3D: the latest progress snapshot; value ignored
    OptionColor = 8,           // the line's Color: 1-8, 10-17, or 999 for a picture
    OptionOpacity = 9,         // 1 opaque, 0.7 translucent
    OptionResolution = 10,     // the line's Grain, 0 to 1
    OptionPointX = 11,         // a point plot's point while it is dragged
    OptionPointY = 12,
    OptionVectorLength = 13,   // vector plots: 0 or 1
};

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
