#include "support/CompilerFixture.h"

#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/PrepareTreeForCompiling.h"
#include "evaluation/UserFunction.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/NameRegistry.h"
#include "support/Disassembler.h"
#include "support/TreeText.h"

void CompilerTest::SetUp()
{
    ASSERT_TRUE(InitFormulaEngine());
    AbortFlag = 0;
    ResetFailureRegister();
    context.SetDocument(&doc);
}

void CompilerTest::TearDown()
{
    if (CurrentCompileBatch().open)
        FinishCompileBatch();
    programs_.clear();
    context.table->Clear();
    for (FormulaNode* tree : trees_)
        FreeTree(tree);
    for (UserFunction* function : doc.UserFunctions)
        delete function;
    doc.UserFunctions.Clear();
    doc.TableFunctions.Clear();
    AbortFlag = 0;
    ResetFailureRegister();
}

FormulaNode* CompilerTest::Tree(const char* text)
{
    FormulaNode* tree = ParseTree(text);
    EXPECT_NE(tree, nullptr) << text;
    if (tree)
        trees_.push_back(tree);
    return tree;
}

FormulaNode* CompilerTest::Prepared(const char* text)
{
    FormulaNode* tree = Tree(text);
    if (tree)
        PrepareTreeForCompiling(tree, &doc);
    return tree;
}

BytecodeProgram* CompilerTest::Generate(FormulaNode* tree, CompileContext* compileContext, bool withLabels,
                                        bool gridProgram)
{
    programs_.push_back(std::make_unique<BytecodeProgram>(tree, compileContext, withLabels, gridProgram, &doc));
    return programs_.back().get();
}

std::string ResolvedCode(BytecodeProgram* program)
{
    ResolveLoopJumps(program);
    return Disassemble(*program);
}

std::string CompilerTest::CompileAlone(const char* text, CompileContext* compileContext)
{
    FormulaNode* tree = Prepared(text);
    if (!tree)
        return "";
    if (compileContext)
        compileContext->table->Clear();
    BeginCompileBatch();
    BytecodeProgram* program = Generate(tree, compileContext);
    if (compileContext)
        compileContext->table->CompileAll();
    lastSlots = FinishCompileBatch();
    return ResolvedCode(program);
}

std::string CompilerTest::Code(const char* text)
{
    return CompileAlone(text, nullptr);
}

std::string CompilerTest::CodeWithContext(const char* text)
{
    return CompileAlone(text, &context);
}

std::string CompilerTest::CodeWithLabels(const char* text)
{
    FormulaNode* tree = Prepared(text);
    if (!tree)
        return "";
    BytecodeProgram* program = Generate(tree, nullptr, true);
    return ResolvedCode(program);
}

uint32_t CompilerTest::AddTableColumn(const char* name, int32_t rows)
{
    uint32_t code = InternSymbolName8(name);
    doc.TableFunctions.Push({code, 0, doc.TableFunctions.count, rows, 0});
    return code;
}

void CompilerTest::AddUserFunction(const char* definition)
{
    FormulaNode* tree = ParseTree(definition);
    ASSERT_NE(tree, nullptr) << definition;
    doc.UserFunctions.Push(new UserFunction(tree, &doc));
}
