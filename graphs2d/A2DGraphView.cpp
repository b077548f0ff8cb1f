#include "graphs2d/A2DGraphView.h"

#include "CoreUtilities/SingleJob.h"
#include "CoreUtilities/ThreadLocks.h"
#include "graphs2d/A2DGraph.h"

namespace {

bool JobOverdue()
{
    return SingleJobOverdue.load(std::memory_order_relaxed) != 0;
}

// A plot is tested once, in the pass of its priority: a plot that missed in
// one pass would miss again in the next.
constexpr int kHitPasses[] = {HitPriorityFirst, HitPriorityNext, HitPriorityLast};

}  // namespace

A2DGraphView::~A2DGraphView()
{
    for (A2DGraph* graph : graphs)
        delete graph;
    graphs.Clear();
}

void A2DGraphView::RunJob()
{
    switch (jobKind) {
    case JobHitGraphs:
        jobResult = HitTestGraphs(jobPoint);
        break;
    case JobHitPoints:
        jobResult = HitTestPoints(jobPoint);
        break;
    default:
        break;
    }
}

bool A2DGraphView::HitTestGraphs(ShortPoint point)
{
    return HitTestPasses(point, 3);
}

bool A2DGraphView::HitTestPoints(ShortPoint point)
{
    return HitTestPasses(point, 1);
}

bool A2DGraphView::HitTestOnJobThread(ShortPoint point)
{
    return RunHitJob(point, JobHitGraphs);
}

bool A2DGraphView::HitTestPointsOnJobThread(ShortPoint point)
{
    return RunHitJob(point, JobHitPoints);
}

bool A2DGraphView::RunHitJob(ShortPoint point, int32_t kind)
{
    jobPoint = point;
    jobKind = kind;
    // A job that cannot run leaves this answer.
    jobResult = 0;
    RunSingleJob(this);
    return jobResult != 0;
}

bool A2DGraphView::HitTestPasses(ShortPoint point, int passes)
{
    const double x = (point.h - screenMapping.originX) * screenMapping.unitsPerPixelX;
    const double y = -(point.v - screenMapping.originY) * screenMapping.unitsPerPixelY;
    for (int pass = 0; pass < passes; ++pass) {
        for (int32_t i = graphs.count - 1; i >= 0; --i) {
            if (JobOverdue())
                return false;
            if (graphs[i]->GetHitPriority() != kHitPasses[pass] || !graphs[i]->HitTest(x, y))
                continue;
            // A hit found after the poster gave up is void.
            if (JobOverdue())
                return false;
            tracedGraph = i;
            return true;
        }
    }
    return false;
}
