// The 2D graph view: a rectangle of the graph pane that shows a list of 2D
// plots over world coordinates. Hit tests evaluate formulas and may take
// long, so they run as jobs on the single-job thread; the view hands the job
// over in its own fields and reads the answer from them.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/ShortRect.h"
#include "CoreUtilities/SingleJob.h"
#include "graphs2d/ViewMapping.h"

#include <cstdint>

class A2DGraph;

// What RunJob does.
enum JobKind : int32_t {
    JobTraceStep = 0,
    JobRetrace = 1,
    JobHitGraphs = 2,
    JobHitPoints = 3,
};

class A2DGraphView : public SingleJobTarget {
public:
    A2DGraphView() = default;
    ~A2DGraphView();
    A2DGraphView(const A2DGraphView&) = delete;
    A2DGraphView& operator=(const A2DGraphView&) = delete;

    // The plots shown, in drawing order; the view owns them.
    GrowArray<A2DGraph*> graphs;
    ViewMapping screenMapping;
    // Index in graphs of the graph hit or traced.
    int32_t tracedGraph = 0;
    // The single job: its pixel, kind and answer.
    ShortPoint jobPoint{};
    int32_t jobKind = JobTraceStep;
    uint8_t jobResult = 0;

    // The job routine, run on the single-job thread by jobKind. A result
    // found while SingleJobOverdue is raised is void.
    void RunJob() override;

    // Finds the graph under the pixel: first the points and arrows, then the
    // curves, then the fills, each from the last graph to the first. The
    // graph found becomes tracedGraph. False when the job is overdue.
    bool HitTestGraphs(ShortPoint point);
    // The points and arrows alone.
    bool HitTestPoints(ShortPoint point);
    // The hit tests run as single jobs; user-interface thread.
    bool HitTestOnJobThread(ShortPoint point);
    bool HitTestPointsOnJobThread(ShortPoint point);

private:
    bool RunHitJob(ShortPoint point, int32_t kind);
    bool HitTestPasses(ShortPoint point, int passes);
};
