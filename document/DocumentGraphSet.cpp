#include "document/DocumentGraphSet.h"

// A set without views draws nothing, offers no zones, never spins and has
// no graph to tell anything.
DocumentGraphSet::~DocumentGraphSet() = default;

void DocumentGraphSet::Draw(int32_t, int32_t) {}

void DocumentGraphSet::GetAxisHitRegion(Region g, int32_t)
{
    SetRegionEmpty(g);
}

void DocumentGraphSet::GetGraphHitRegion(Region g, int32_t, ShortPoint)
{
    SetRegionEmpty(g);
}

bool DocumentGraphSet::IsSpinning() const
{
    return false;
}

void DocumentGraphSet::ClearAllGraphs() {}

void DocumentGraphSet::SetEquationOption(int32_t, int32_t, double) {}

bool DocumentGraphSet::WaitAndUploadMeshes(int32_t, bool)
{
    return true;
}

void DocumentGraphSet::MarkRenderContextsDirty() {}

void DocumentGraphSet::SetCurrentPicture(GlobalHandle) {}

void DocumentGraphSet::DropPicture(int32_t, GlobalHandle, ShortPoint) {}

bool DocumentGraphSet::EquationHasResolution(const int32_t*, int32_t)
{
    return false;
}

void DocumentGraphSet::SetViewCodes(int32_t) {}

bool DocumentGraphSet::IsViewShown(int32_t, ShortRect*)
{
    return false;
}

bool DocumentGraphSet::IsLineMainGraph(const int32_t*, int32_t, int32_t)
{
    return false;
}

void DocumentGraphSet::AllVariableChanged(uint32_t) {}

void DocumentGraphSet::BuildComplexMapViews(bool, bool, bool, bool, const TransformRecord*, DocState*) {}

bool DocumentGraphSet::AreAllComplete() const
{
    return true;
}

bool DocumentGraphSet::IsBusy() const
{
    return false;
}

void DocumentGraphSet::UpdateViewports() {}

void DocumentGraphSet::ReleaseRenderResources() {}

void DocumentGraphSet::UploadFinishedMeshes() {}

void DocumentGraphSet::UploadPartialMeshes() {}

void DocumentGraphSet::UploadAllMeshes() {}

void DocumentGraphSet::ReportUsedRanges() {}

int32_t DocumentGraphSet::GetEquationStatus(int32_t) const
{
    return 0;
}

bool DocumentGraphSet::IsEquationComplete(int32_t) const
{
    return true;
}

bool DocumentGraphSet::Shows2DView() const
{
    return false;
}

bool DocumentGraphSet::Shows4DView() const
{
    return false;
}

bool DocumentGraphSet::HasSecondView() const
{
    return false;
}

void DocumentGraphSet::SetViewOption(int32_t, int32_t) {}

void DocumentGraphSet::Set4DViewOption(int32_t, double) {}

bool DocumentGraphSet::IsGraphPaperShown(int32_t) const
{
    return false;
}

void DocumentGraphSet::Zoom(int32_t, int32_t) {}

bool DocumentGraphSet::Shows3DOr4DView() const
{
    return false;
}

bool DocumentGraphSet::AnyShownViewSoftware() const
{
    return false;
}
