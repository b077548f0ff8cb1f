// A graph view that records the mouse it is given, for tests of the graph
// pane's routing.
#pragma once

#include "graphmodel/AGraphView.h"

#include <vector>

class RecordingGraphView : public AGraphView {
public:
    struct Call {
        char kind;  // 'd' press, 'm' move, 'u' release
        ShortPoint point;
        ViewMouseEvent press;
    };
    explicit RecordingGraphView(const ShortRect& r) { rect = r; }
    void Draw(uint8_t) override {}
    void Resized() override {}
    void Zoom(int32_t) override {}
    void Scroll(int32_t, int32_t) override {}
    void SetGraphOption(int32_t, double, int32_t) override {}
    void GetAxisHitRegion(Region r, int32_t) override { SetRegionEmpty(r); }
    void GetGraphHitRegion(Region r, int32_t, ShortPoint) override { SetRegionEmpty(r); }
    void GetPictureRegion(Region r) override { SetRegionEmpty(r); }
    bool MouseDown(const ViewMouseEvent& event) override
    {
        calls.push_back({'d', event.point, event});
        return false;
    }
    void MouseUp(ShortPoint point) override { calls.push_back({'u', point, {}}); }
    void MouseMove(int32_t h, int32_t v) override { calls.push_back({'m', ShortPoint{SaturateToShort(v), SaturateToShort(h)}, {}}); }
    bool CanExtendRangesToData() override { return false; }
    void ExtendRangesToData() override {}
    void SetViewOption(int32_t, double) override {}

    std::vector<Call> calls;
};
