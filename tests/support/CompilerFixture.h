// Compiling formula trees in tests: trees from the prefix notation of
// TreeText, programs compiled alone or in batches, read back as program
// text. Everything made is freed when the test ends.
#pragma once

#include "document/DocState.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FormulaNode;

class CompilerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The tree of the text, freed with the fixture.
    FormulaNode* Tree(const char* text);
    // The same, prepared for compiling.
    FormulaNode* Prepared(const char* text);

    // A program generated from a prepared tree inside the open batch;
    // freed with the fixture.
    BytecodeProgram* Generate(FormulaNode* tree, CompileContext* context, bool withLabels = false,
                              bool gridProgram = false);

    // One formula compiled as a batch of its own, as program text with loop
    // jumps resolved.
    std::string Code(const char* text);
    std::string CodeWithContext(const char* text);
    std::string CodeWithLabels(const char* text);

    // A table column of the document.
    uint32_t AddTableColumn(const char* name, int32_t rows);
    // A user function; the definition (= (function f x) body) in the notation.
    void AddUserFunction(const char* definition);

    DocState doc;
    CompileContext context;
    // Frame slots the last batch asked for.
    int32_t lastSlots = 0;

private:
    std::string CompileAlone(const char* text, CompileContext* compileContext);

    std::vector<FormulaNode*> trees_;
    std::vector<std::unique_ptr<BytecodeProgram>> programs_;
};

// The program text, loop jumps resolved.
std::string ResolvedCode(BytecodeProgram* program);
