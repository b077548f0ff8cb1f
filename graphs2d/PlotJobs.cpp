#include "graphs2d/PlotJobs.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/CurveNumerics.h"

PlotJobs::PlotJobs(GraphJobTarget* graph, int32_t parts)
    : single_(graph), jobs_(&single_), count_(1)
{
    if (parts != 1) {
        count_ = parts > 1 ? parts : GetProcessorCount();
        jobs_ = NewGraphJobs(graph, count_);
    }
    done_.reset(new std::atomic<uint8_t>[count_]());
}

PlotJobs::~PlotJobs()
{
    stop_.store(1, std::memory_order_relaxed);
    CancelGraphJobs(single_.graph);
    Wait();
    if (jobs_ != &single_)
        DeleteGraphJobs(jobs_);
}

void PlotJobs::SetFormulas(CompiledFormula* const* formulas, int32_t n)
{
    formulas_ = formulas;
    formulaCount_ = n;
}

bool PlotJobs::AnyJobUnfinished() const
{
    for (int32_t i = 0; i < count_; ++i) {
        if (!jobs_[i].IsFinished())
            return true;
    }
    return false;
}

void PlotJobs::Start()
{
    if (AnyJobUnfinished())
        Stop();
    ResumeFormulaList(nullptr, formulas_, formulaCount_);
    stop_.store(0, std::memory_order_relaxed);
    for (int32_t i = 0; i < count_; ++i)
        done_[i].store(0, std::memory_order_relaxed);
    EnqueueGraphJobs(jobs_, count_);
}

void PlotJobs::Stop()
{
    stop_.store(1, std::memory_order_relaxed);
    StopFormulaList(nullptr, formulas_, formulaCount_);
    CancelGraphJobs(single_.graph);
    Wait();
}

void PlotJobs::Wait()
{
    for (int32_t i = 0; i < count_; ++i)
        WaitForGraphJob(&jobs_[i]);
}

bool PlotJobs::IsComplete() const
{
    return AllBytesNonZero(done_.get(), count_);
}

int32_t PlotJobs::FinishPart(int32_t part, DocState* doc, bool redrawEveryPart)
{
    MutexLock hold(lock);
    done_[part].store(1, std::memory_order_release);
    if (redrawEveryPart || IsComplete())
        DocRequestRedraw(doc);
    return GraphJobDone;
}

void PlotJobs::MarkAllDone()
{
    for (int32_t i = 0; i < count_; ++i)
        done_[i].store(1, std::memory_order_release);
}
