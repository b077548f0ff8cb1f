// The picture of the first 2D view that the plots of a map carry into the
// second: its paper, axes, the graphs listed for the map and its placed
// pictures, rendered off screen. The view is drawn where it stands, onto a
// surface that reaches from the pane's corner to the view's bottom-right
// corner, so that neither its rectangle nor the mappings its plots are
// computing with ever change. The trace overlay is left out: it belongs to
// the first view, not to the plane.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

class A2DGraphView;
class AGraphColor;
struct OffscreenSurface;

// The rendered view, its pixels locked; null (failure 36 posted) when the
// surface cannot be had. A hidden colour leaves out paper and axes.
OffscreenSurface* RenderDomainPicture(A2DGraphView* view, const GrowArray<int32_t>* graphs, const AGraphColor* colour);
void DisposeDomainPicture(OffscreenSurface* picture);

// Nothing would show through the map: no listed graphs, a hidden colour and
// no placed pictures.
bool IsDomainPictureEmpty(const A2DGraphView* view, const GrowArray<int32_t>* graphs, const AGraphColor* colour);
