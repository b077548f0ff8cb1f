// The options SetOption takes: the document sends a line's style to its
// graphs through them, and the graph set and the graphs share them.
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
