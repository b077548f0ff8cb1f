// Compiled formulas over trees written in the prefix notation of TreeText,
// with a document of their own. Everything made is freed when the test ends.
#pragma once

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class EvaluationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A formula over the tree of the text, not compiled.
    CompiledFormula* Formula(const char* text);
    // The same, compiled alone.
    CompiledFormula* Compiled(const char* text);
    // A user function; the definition (= (function f x) body), each
    // parameter in the body a bound variable holding the parameter's code
    // (?120 for x). Compiled with the others by CompileUserFunctions.
    void AddUserFunction(const char* definition);
    // Evaluates the formula at (x, 0) on a thread of its own, raises the
    // formula's stop request while the run is under way, and answers
    // whether the run then ended. The request is lowered again.
    static bool StopEndsTheRun(CompiledFormula* formula, double x);

    DocState doc;

private:
    std::vector<std::unique_ptr<CompiledFormula>> formulas_;
};
