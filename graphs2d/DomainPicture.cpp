#include "graphs2d/DomainPicture.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "drawing/DrawingPort.h"
#include "drawing/OffscreenSurface.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"

OffscreenSurface* RenderDomainPicture(A2DGraphView* view, const GrowArray<int32_t>* graphs, const AGraphColor* colour)
{
    if (!view || view->rect.right <= view->rect.left || view->rect.bottom <= view->rect.top)
        return nullptr;
    ShortRect whole;
    SetShortRect(whole, 0, 0, view->rect.bottom, view->rect.right);
    OffscreenSurface* picture = NewOffscreenSurface(whole);
    if (!picture) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    {
        PortSaver port(picture);
        const int32_t traced = view->trace.kind;
        view->trace.kind = TraceNothing;
        view->Render(graphs, colour, true);
        view->trace.kind = traced;
    }
    if (!LockSurfacePixels(picture)) {
        DisposeOffscreenSurface(picture);
        return nullptr;
    }
    return picture;
}

void DisposeDomainPicture(OffscreenSurface* picture)
{
    if (!picture)
        return;
    UnlockSurface(picture);
    DisposeOffscreenSurface(picture);
}

bool IsDomainPictureEmpty(const A2DGraphView* view, const GrowArray<int32_t>* graphs, const AGraphColor* colour)
{
    return (!graphs || graphs->count == 0) && colour && colour->IsHidden() && view && view->pictures.entries.count == 0;
}
