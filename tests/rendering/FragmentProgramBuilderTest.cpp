// Fragment program texts from instructions and from colour formulas.
#include "rendering/FragmentProgramBuilder.h"

#include "CoreUtilities/GrowArray.h"
#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "rendering/FragmentProgramCompiler.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ProgramTest : public TreeTest {
protected:
    void TearDown() override
    {
        for (FormulaNode* tree : parameters)
            FreeTree(tree);
        parameters.Clear();
        for (FormulaNode* tree : trees)
            FreeTree(tree);
        TreeTest::TearDown();
    }
    const FormulaNode* F(const char* text)
    {
        trees.push_back(ReadFormula(text));
        return trees.back();
    }
    const FormulaNode* Keep(FormulaNode* tree)
    {
        trees.push_back(tree);
        return tree;
    }
    std::string Rgb(const char* red, const char* green, const char* blue, const FormulaNode* condition = nullptr)
    {
        return BuildRGBFragmentProgram(&parameters, F(red), F(green), F(blue), condition, &doc);
    }
    // The opcodes the formula compiles to, in order.
    std::vector<std::string> Opcodes(const FormulaNode* tree)
    {
        FragmentProgramBuilder builder(&parameters, &doc);
        builder.CompileNode(tree);
        std::vector<std::string> out;
        for (const ProgramInstruction& instruction : builder.Instructions())
            out.push_back(instruction.opcode);
        return out;
    }

    DocState doc;
    ProgramConstantTrees parameters;
    std::vector<FormulaNode*> trees;
};

TEST_F(ProgramTest, RedXPlusYGreenHalfBlueOneIsTheWorkedText)
{
    const std::string expected = "!!ARBfp1.0\n"
                                 "\n"
                                 "TEMP R0;\n"
                                 "\n"
                                 "PARAM C0 = {\n"
                                 "       0.500000000000000000000000000000,\n"
                                 "       1.000000000000000000000000000000,\n"
                                 "       0.000000000000000000000000000000,\n"
                                 "       0.000000000000000000000000000000\n"
                                 "};\n"
                                 "\n"
                                 "ADD      R0.x,  fragment.texcoord[0].x,  fragment.texcoord[0].y;\n"
                                 "MOV_SAT  R0.y,  R0.x;\n"
                                 "MOV_SAT  R0.x,  C0.x;\n"
                                 "MOV_SAT  R0.z,  C0.y;\n"
                                 "MUL      result.color.x,  fragment.color.primary.x,  R0.y;\n"
                                 "MUL      result.color.y,  fragment.color.primary.y,  R0.x;\n"
                                 "MUL      result.color.z,  fragment.color.primary.z,  R0.z;\n"
                                 "\n"
                                 "END\n";
    EXPECT_EQ(Rgb("x+y", "0.5", "1"), expected);
}

TEST_F(ProgramTest, ConstantsAreSharedBySizeAndPaddedToGroupsOfFour)
{
    FragmentProgramBuilder builder(&parameters, &doc);
    const int32_t out = builder.NamedOperand("result.color.x");
    builder.Emit("MOV", out, builder.ConstantOperand(0.5));
    builder.Emit("MOV", builder.NamedOperand("result.color.y"), builder.ConstantOperand(-0.5));
    for (double v : {2.0, 3.0, 4.0, 5.0})
        builder.Emit("ADD", builder.NamedOperand("result.color.z"), builder.ConstantOperand(v), builder.x);
    const std::string text = builder.WriteProgramText();
    EXPECT_NE(text.find("MOV      result.color.x,  C0.x;\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MOV      result.color.y, -C0.x;\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PARAM C1 = {\n       5.000000000000000000000000000000,\n       0.0000"), std::string::npos)
        << "five constants: C1 holds the fifth and three zeros\n" << text;
    EXPECT_EQ(text.find("PARAM C2"), std::string::npos);
    EXPECT_NE(text.find("!!ARBfp1.0\n\nTEMP R0;\n\nPARAM C0"), std::string::npos) << "no temporaries: R0 still declared";
}

TEST_F(ProgramTest, RepeatedWorkIsDoneOnceButEveryOutputIsWritten)
{
    FragmentProgramBuilder builder(&parameters, &doc);
    const int32_t a = builder.NewTemp(), b = builder.NewTemp();
    builder.Emit("ADD", a, builder.x, builder.y);
    builder.Emit("ADD", b, builder.x, builder.y);
    builder.Emit("MUL", builder.NamedOperand("result.color.x"), a, builder.z);
    builder.Emit("MUL", builder.NamedOperand("result.color.y"), b, builder.z);
    const int32_t w = builder.NamedOperand("result.color.w");
    builder.Emit("MOV", w, builder.ConstantOperand(1));
    builder.Emit("MOV", w, builder.ConstantOperand(1));
    const std::string text = builder.WriteProgramText();
    EXPECT_EQ(text.find("ADD"), text.rfind("ADD")) << text;
    EXPECT_NE(text.find("MUL      result.color.x,  R0.x,  fragment.texcoord[0].z;"), std::string::npos) << text;
    EXPECT_NE(text.find("MUL      result.color.y,  R0.x,  fragment.texcoord[0].z;"), std::string::npos) << text;
    EXPECT_NE(text.find("MOV      result.color.w,  C0.x;\nMOV      result.color.w,  C0.x;\n"), std::string::npos)
        << text;
}

TEST_F(ProgramTest, ATemporaryNeverTakesTheSlotItsOwnSourcesFree)
{
    FragmentProgramBuilder builder(&parameters, &doc);
    const int32_t a = builder.NewTemp(), b = builder.NewTemp(), c = builder.NewTemp();
    builder.Emit("ADD", a, builder.x, builder.y);
    builder.Emit("MUL", b, a, a);
    builder.Emit("RCP", c, b);
    builder.Emit("MOV", builder.NamedOperand("result.color.x"), c);
    const std::string text = builder.WriteProgramText();
    EXPECT_NE(text.find("MUL      R0.y,  R0.x,  R0.x;\nRCP      R0.x,  R0.y;\n"), std::string::npos) << text;
}

TEST_F(ProgramTest, EachParameterSubtreeIsOneLocalComponent)
{
    FragmentProgramBuilder builder(&parameters, &doc);
    std::vector<int32_t> ids;
    for (uint32_t code : {'a', 'b', 'c', 'd', 'f'})
        ids.push_back(builder.ParameterOperand(Keep(Var(code))));
    EXPECT_EQ(builder.ParameterOperand(Keep(Var('c'))), ids[2]) << "an equal subtree is the same component";
    builder.Emit("ADD", builder.NamedOperand("result.color.x"), ids[0], ids[4]);
    const std::string text = builder.WriteProgramText();
    EXPECT_EQ(parameters.count, 5);
    EXPECT_NE(text.find("PARAM U0 = program.local[0];\nPARAM U1 = program.local[1];\n\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ADD      result.color.x,  U0.x,  U1.x;"), std::string::npos) << text;
}

TEST_F(ProgramTest, PowersByTheirExponent)
{
    const std::vector<std::string> general = {"ABS", "CMP", "POW", "SLT", "ADD", "CMP", "ADD", "MUL", "FRC",
                                              "MAD", "CMP", "CMP", "MUL", "SLT", "FRC", "MUL", "KIL"};
    const struct {
        const char* formula;
        std::vector<std::string> opcodes;
    } cases[] = {
        {"x^0", {}},
        {"x^1", {}},
        {"x^2", {"MUL"}},
        {"x^3", {"MUL", "MUL"}},
        {"x^4", {"MUL", "MUL"}},
        {"x^5", {"MUL", "MUL", "MUL"}},
        {"x^6", {"MUL", "MUL", "MUL"}},
        {"x^~1", {"RCP"}},
        {"x^~2", {"MUL", "RCP"}},
        {"x^7", general},
        {"x^2.5", general},
        {"x^y", general},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Opcodes(F(c.formula)), c.opcodes) << c.formula;
}

TEST_F(ProgramTest, RelationChainsAndTheirNonStrictFormsCompileAlike)
{
    const FormulaNode* chain = Keep(Node(KindLess, {Var('x'), Var('y'), Var('z')}));
    EXPECT_EQ(Opcodes(chain), (std::vector<std::string>{"SLT", "SLT", "MUL"}));
    const FormulaNode* less = Keep(Node(KindLess, {Var('x'), Var('y')}));
    const FormulaNode* leq = Keep(Node(KindLeq, {Var('x'), Var('y')}));
    EXPECT_EQ(BuildRGBFragmentProgram(&parameters, F("x"), F("y"), F("z"), less, &doc),
              BuildRGBFragmentProgram(&parameters, F("x"), F("y"), F("z"), leq, &doc));
}

TEST_F(ProgramTest, ThetaIsComputedOnceAndDomainsDiscardFragments)
{
    FragmentProgramBuilder builder(&parameters, &doc);
    builder.CompileNode(F("theta"));
    const size_t once = builder.Instructions().size();
    builder.CompileNode(F("theta"));
    EXPECT_EQ(builder.Instructions().size(), once);

    for (const char* formula : {"sqrt(x)", "ln(x)", "log(x)", "asin(x)", "x^0.5"}) {
        const std::vector<std::string> ops = Opcodes(F(formula));
        EXPECT_EQ(std::count(ops.begin(), ops.end(), "KIL"), 1) << formula;
    }
}

TEST_F(ProgramTest, WhatNoInstructionComputesLeavesTheColourToTheProcessor)
{
    EXPECT_EQ(Rgb("x", "r", "z"), "") << "r has no operand in the program";
    EXPECT_EQ(Rgb("x", "y", "w"), "");
    EXPECT_EQ(Rgb("x", "y", "x!"), "") << "no instructions for a factorial";
    EXPECT_EQ(Rgb("x", "y", "1/0"), "") << "a constant without a value";
    EXPECT_NE(Rgb("x", "y", "z"), "");
}

TEST_F(ProgramTest, ConditionDiscardsBelowOneHalfAndAConstantOneAddsNothing)
{
    const std::string plain = Rgb("x", "y", "z");
    EXPECT_EQ(BuildRGBFragmentProgram(&parameters, F("x"), F("y"), F("z"), F("1"), &doc), plain);
    const std::string cut = BuildRGBFragmentProgram(&parameters, F("x"), F("y"), F("z"), F("x"), &doc);
    EXPECT_NE(cut.find("SLT      R0.x,  fragment.texcoord[0].x,  C0.x;\nKIL     -R0.x;\n"), std::string::npos) << cut;
}

}  // namespace
