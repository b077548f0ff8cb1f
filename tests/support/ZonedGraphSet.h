// A graph set with fixed hot zones that records its draw calls, for tests
// of the graph pane's cursor and redraw.
#pragma once

#include "drawing/DrawingPort.h"
#include "graphs2d/GraphSet.h"

#include <vector>

class ZonedGraphSet : public GraphSet {
public:
    struct DrawCall {
        int32_t part, flag;
        bool portHadDC;
    };
    ZonedGraphSet(const ShortRect& graph, const ShortRect& axes) : graph_(graph), axes_(axes) {}
    void Draw(int32_t part, int32_t flag) override { draws.push_back({part, flag, GetPortDC() != nullptr}); }
    void GetAxisHitRegion(Region g, int32_t) override { SetRegionToRect(g, axes_); }
    void GetGraphHitRegion(Region g, int32_t, ShortPoint) override { SetRegionToRect(g, graph_); }

    std::vector<DrawCall> draws;

private:
    ShortRect graph_, axes_;
};
