// The formula path end to end: any text through the tests' formula reader,
// then a copy simplified, the formula compiled and run by the real, complex,
// interval and complex-interval interpreters, its derivative by x compiled
// and run, and one grid row run by the batch interpreter; afterwards every
// pool block taken must be back. A deadline stops whatever is still
// computing, so that each input takes milliseconds whatever loops it asks
// for.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "numerics/ComplexInterval.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/TreeWalk.h"
#include "fuzz/FuzzCheck.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kMaxText = 4096;
constexpr auto kBudget = std::chrono::milliseconds(100);

// Once the budget is spent: the abort flag stops the tree operations and the
// compiler, and the stop request of every watched formula stops its runs.
class Deadline {
public:
    Deadline() : thread_([this] { Wait(); }) {}
    ~Deadline()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
        AbortFlag = 0;
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    // Only a compiled formula, which nothing compiles again while it is
    // watched.
    void Watch(CompiledFormula* formula)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watched_.push_back(formula);
        if (expired_)
            formula->SetStopFlag(1);
    }

private:
    void Wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, kBudget, [this] { return done_; }))
            return;
        expired_ = true;
        AbortFlag = 1;
        for (CompiledFormula* formula : watched_)
            formula->SetStopFlag(1);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool expired_ = false;
    std::vector<CompiledFormula*> watched_;
    std::thread thread_;
};

void RunPoint(CompiledFormula* formula)
{
    formula->EvaluateAtUVXYZW(0.5, 0.25, 0.7, -1.3, 0.4, 2);
    formula->EvaluateComplexAtXY(-0.6, 1.1);
    BytecodeProgram* program = formula->pointProgram;
    if (!program)
        return;
    // Both interval interpreters on frames of their own, sized as the
    // program asks.
    size_t slots = static_cast<size_t>(program->localBase + program->localCount);
    const Interval box[] = {{0.5, 0.5}, {0, 1}, {2, 2}, {-1, 0.5}, {0.25, 3}, {-2, -1}};
    if (!program->isComplex) {
        std::vector<Interval> frame(slots, Interval{NAN, NAN});
        std::copy(std::begin(box), std::end(box), frame.begin());
        program->RunInterval(frame.data());
    }
    std::vector<ComplexInterval> frame(slots, ComplexInterval{{NAN, NAN}, {NAN, NAN}});
    for (size_t s = 0; s < std::size(box); ++s)
        frame[s] = ComplexInterval{box[s], {-0.5, 0.5}};
    program->RunComplexInterval(frame.data());
}

void RunGridRow(CompiledFormula* formula, Deadline& deadline)
{
    std::unique_ptr<GridProgramSet> set(LinkGridFormula(formula));
    if (!set)
        return;
    deadline.Watch(formula);
    GridEvalState state;
    constexpr int32_t kColumns = 7;
    if (!PrepareGrid2D(-1.5, -0.75, 0.5, 0.5, kColumns, 3, set.get(), &state))
        return;
    double out[kColumns];
    if (formula->canEvaluateRows) {
        formula->EvaluateRow(1, &state, out);
    } else {
        for (int32_t i = 0; i < kColumns; ++i)
            out[i] = formula->EvaluateAtGridPoint(i, 1, &state);
    }
}

bool Readable(const std::string& text)
{
    // Kind numbers (#8082(...)) build trees that no reader of the program
    // builds.
    return text.find('#') == std::string::npos;
}

// The whole path over the text; every tree and formula is gone afterwards.
void Run(const std::string& text)
{
    FormulaNode* tree = ReadFormulaQuietly(text.c_str());
    if (!tree)
        return;
    DocState doc;
    FormulaNode* copy = CopyTree(tree);
    CompiledFormula grid(CopyTree(tree), &doc);
    CompiledFormula formula(tree, &doc);
    std::unique_ptr<CompiledFormula> derivative;
    // Ends (and stops watching) before the formulas it watches go.
    Deadline deadline;
    SimplifyAndCleanUp(copy);
    FuzzRequire(static_cast<bool>(IsConsistent(copy)), "the simplified tree is well formed");
    FreeTree(copy);
    CompileFormula(&formula);
    deadline.Watch(&formula);
    RunPoint(&formula);
    derivative.reset(formula.MakeDerivative(u'x'));
    if (derivative) {
        CompileFormula(derivative.get());
        deadline.Watch(derivative.get());
        RunPoint(derivative.get());
    }
    RunGridRow(&grid, deadline);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = InitFormulaEngine();
    if (!started)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxText));
    text.resize(std::strlen(text.c_str()));
    if (!Readable(text))
        return 0;
    AbortFlag = 0;
    ResetFailureRegister();
    std::vector<uint32_t> before = OutstandingBlocks();
    Run(text);
    FuzzRequire(OutstandingBlocks() == before, "every block taken is given back");
    return 0;
}
