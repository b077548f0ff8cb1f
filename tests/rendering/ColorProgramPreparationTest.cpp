// Colour formulas screened and rewritten for the GPU.
#include "rendering/ColorProgramPreparation.h"

#include "CoreUtilities/GrowArray.h"
#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/SubtreeValue.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeConstness.h"
#include "formula/TreeRewrite.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <complex>
#include <string>

namespace {

// The program's angle of a point lies in (-pi, pi]; the processor's internal
// one in [0, 2 pi). For a value as the program computes it, angles become
// the principal argument of a + b i.
void UsePrincipalAngles(FormulaNode* node)
{
    for (uint32_t k = 0; k < node->childCount; ++k)
        UsePrincipalAngles(node->children[k]);
    if (node->kind == KindPointAngle)
        ReplaceNode(MakeUnaryNode(KindArg, MakeSum(CopyTree(node->children[0]),
                                                   MakeProduct(CopyTree(node->children[1]), Var('i')))),
                    node);
}

class PreparationTest : public TreeTest {
protected:
    void TearDown() override
    {
        for (FormulaNode* tree : parameters)
            FreeTree(tree);
        parameters.Clear();
        TreeTest::TearDown();
    }
    std::string Text(FormulaNode* red, FormulaNode* condition = nullptr, bool hsv = false, bool hsvOut = false)
    {
        FormulaNode* green = ReadFormula("y");
        FormulaNode* blue = ReadFormula("z");
        const FormulaNode* colour[3] = {red, green, blue};
        std::string text = PrepareColorProgramText(colour, condition, hsv, &parameters, hsvOut, &doc);
        FreeTree(red);
        FreeTree(green);
        FreeTree(blue);
        FreeTree(condition);
        return text;
    }

    DocState doc;
    ProgramConstantTrees parameters;
};

TEST_F(PreparationTest, UnsupportedKindsAndVariablesGiveNoProgram)
{
    for (int32_t kind : {KindApplication, KindFact, KindOpPartial, KindSigma, KindCapitalPi, KindLeftParen, KindChoice,
                         KindBesselJ, KindIf, KindBranch, KindAnd, KindOr, KindInf, KindSup, KindSumLoop,
                         KindProductLoop, KindBranchPiece}) {
        FormulaNode* tree = MakeSum(Var('x'), Node(kind, {Var('x'), Var('y')}));
        EXPECT_TRUE(HasGPUUnsupportedNode(tree)) << kind;
        EXPECT_EQ(Text(tree), "") << kind;
        EXPECT_EQ(Text(ReadFormula("x"), Node(kind, {Var('x'), Var('y')})), "") << "in the condition: " << kind;
    }
    for (uint32_t code : {uint32_t(CodeThetaPrimed), uint32_t(CodeRPrimed), uint32_t(CodeXPrimed), uint32_t('t'),
                          uint32_t('u'), uint32_t('v')}) {
        EXPECT_EQ(Text(MakeProduct(Var('x'), Var(code))), "") << code;
    }
    EXPECT_NE(Text(ReadFormula("sin(x)*cos(y)")), "");
}

TEST_F(PreparationTest, LoweringKeepsEveryValue)
{
    const char* formulas[] = {"tan(x)",   "cot(x)",   "csc(x)",   "sec(x)",   "acos(x/3)", "acsc(x+1)",
                              "asec(x+1)", "sinh(x)", "cosh(x)",  "tanh(x)",  "coth(x)",   "csch(x)",
                              "sech(x)",  "asinh(x)", "acosh(x+1)", "atanh(x/3)", "acoth(x+1)", "acsch(x)",
                              "asech(x/3)", "log(x,2)", "sqrt(x,3)"};
    for (const char* text : formulas) {
        FormulaNode* before = ReadFormula(text);
        FormulaNode* after = CopyTree(before);
        LowerTreeForGPU(after);
        EXPECT_TRUE(SameValues(before, after, 0.2, 2.5)) << text;
        EXPECT_FALSE(HasGPUUnsupportedNode(after));
        EXPECT_EQ(after->kind == before->kind, false) << text << " is rewritten";
        FreeTree(before);
        FreeTree(after);
    }
    const struct {
        FormulaNode* tree;
        double x, expected;
    } cases[] = {
        {Node(KindCeil, {Var('x')}), -1.5, -1},
        {Node(KindCeil, {Var('x')}), 1.25, 2},
        {Node(KindClamp, {Var('x'), Num(0), Num(1)}), 1.5, 1},
        {Node(KindClamp, {Var('x'), Num(0), Num(1)}), -3, 0},
        {Node(KindClamp, {Var('x'), Num(0), Num(1)}), 0.25, 0.25},
        {Node(KindSn, {Var('x'), Num(3)}), 1.5, 1500},
        {MakeProduct(Var('x'), Var(CodeDegree)), 180, 3.141592653589793},
    };
    for (const auto& c : cases) {
        LowerTreeForGPU(c.tree);
        // The evaluator knows min, max and floor but not the lowered kinds.
        EXPECT_NEAR(EvaluateTree(c.tree, {{'x', c.x}}).real(), c.expected, 1e-12) << Describe(c.tree);
        FreeTree(c.tree);
    }
    FormulaNode* log10 = ReadFormula("log(x)");
    LowerTreeForGPU(log10);
    EXPECT_EQ(log10->kind, KindLog) << "base 10 is compiled directly";
    FreeTree(log10);
}

TEST_F(PreparationTest, ComplexFormulasKeepTheirRealPart)
{
    using C = std::complex<double>;
    const C z(0.3, 0.7), w(-0.4, 0.2);
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"sin(0.3+0.7*i)", std::sin(z).real()},
        {"cos(0.3+0.7*i)", std::cos(z).real()},
        {"exp(0.3+0.7*i)", std::exp(z).real()},
        {"ln(0.3+0.7*i)", std::log(z).real()},
        {"sqrt(0.3+0.7*i)", std::sqrt(z).real()},
        {"sqrt(~0.4+0.2*i)", std::sqrt(w).real()},
        {"(0.3+0.7*i)/(~0.4+0.2*i)", (z / w).real()},
        {"(0.3+0.7*i)^2", (z * z).real()},
        {"(0.3+0.7*i)^(~0.4+0.2*i)", std::pow(z, w).real()},
        {"asin(0.3+0.7*i)", std::asin(z).real()},
        {"atan(0.3+0.7*i)", std::atan(z).real()},
        {"i*i", -1},
        {"abs(0.3+0.7*i)", std::abs(z)},
    };
    for (const auto& c : cases) {
        FormulaNode* tree = ReadFormula(c.text);
        ReplaceByRealPart(&doc, tree);
        EXPECT_FALSE(UsesComplexNumbers(tree, &doc)) << c.text << ": " << Describe(tree);
        UsePrincipalAngles(tree);
        EXPECT_NEAR(EvaluateSubtreeReal(tree, &doc), c.expected, 1e-9) << c.text << ": " << Describe(tree);
        FreeTree(tree);
    }
    EXPECT_NE(Text(ReadFormula("x*cos(y*i)")), "") << "a variable times a complex part compiles";
}

TEST_F(PreparationTest, HueIsScaledToDegreesOnlyWhenTheProgramConverts)
{
    const std::string converts = Text(ReadFormula("x"), nullptr, true, false);
    const std::string leavesHsv = Text(ReadFormula("x"), nullptr, true, true);
    EXPECT_NE(converts.find("     360.000"), std::string::npos) << converts;
    EXPECT_EQ(leavesHsv.find("     360.000"), std::string::npos) << leavesHsv;
    EXPECT_NE(leavesHsv.find("FRC      result.color.x,  fragment.texcoord[0].x;"), std::string::npos) << leavesHsv;
}

TEST_F(PreparationTest, TexturedColourWithAConditionSamplesTheTexture)
{
    FormulaNode* condition = ReadFormula("x<y");
    const std::string textured = PrepareConstantColorProgramText(condition, &parameters, true, &doc);
    EXPECT_NE(textured.find("TEMP TX;\n"), std::string::npos) << textured;
    EXPECT_NE(textured.find("TEX      TX, fragment.texcoord[1].xyzw, texture[0], 2D;\n"), std::string::npos);
    EXPECT_NE(textured.find("KIL"), std::string::npos);
    EXPECT_NE(textured.find("MUL      result.color.x,  fragment.color.primary.x,  TX.x;"), std::string::npos);

    const std::string lit = PrepareConstantColorProgramText(condition, &parameters, false, &doc);
    EXPECT_EQ(lit.find("TX"), std::string::npos) << lit;
    EXPECT_NE(lit.find("KIL"), std::string::npos) << lit;
    EXPECT_EQ(PrepareConstantColorProgramText(nullptr, &parameters, true, &doc), "") << "neither colours nor condition";
    FreeTree(condition);
}

}  // namespace
