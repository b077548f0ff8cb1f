// The set of graph views the graph pane shows. What the document and the
// panes ask of it is declared beneath, with the document.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "document/DocumentGraphSet.h"

class AGraphView;
struct ViewMouseEvent;

// Which views GetViewRect and the which arguments mean.
enum WhichView : int32_t {
    WhichActive = 0,
    WhichSecond = 1,
    WhichBoth = 2,
};

class GraphSet : public DocumentGraphSet {
public:
    ~GraphSet() override;

    // The view shown alone or on the left, the one on the right, and the
    // one that took the last press until the release.
    AGraphView* active = nullptr;
    AGraphView* second = nullptr;
    AGraphView* captured = nullptr;
    ShortRect layoutRect{0, 0, 0, 0};

    void SetLayoutRect(const ShortRect& r);
    void ResizeViews();
    // 0 the active view's, 1 the second's, else the layout rectangle.
    void GetViewRect(ShortRect& out, int32_t which) const;
    void RefreshGLWindows(int32_t part);

    // A press goes to the view under it (the active view when it is alone);
    // false when it lies in neither.
    bool MouseDown(const ViewMouseEvent& event);
    void MouseMove(int32_t h, int32_t v);
    void MouseUp(ShortPoint point);
    void GetViewFrameRegion(Region region);

    bool Shows2DView() const;
    bool Shows4DView() const;
    bool ActiveViewHasOwnWindow() const;
    bool SecondViewHasOwnWindow() const;
    bool IsBusy() const;
    void ReleaseRenderResources();
};
