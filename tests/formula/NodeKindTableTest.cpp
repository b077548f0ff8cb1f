#include "CoreUtilities/WideString.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NodeKindTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(NodeKindTableTest, NamesGiveKindsAndSymbolCodes)
{
    struct Case {
        const char16_t* name;
        int32_t kind;
        uint32_t code;
    };
    const Case cases[] = {
        {u"sin", KindSin, 0},          {u"Sum", KindAggregateSum, 0}, {u"sum", KindSigma, 0},
        {u"", 0, 0},                   {u"sine", 0, 0},               {u"indexes", KindSubscript, 0},
        {u"Sup", KindSup, 0},          {u"x", 0, 120},                {u"X", 0, 88},
        {u"theta", 0, 3},              {u"pi", 0, 1},                 {u"ldots", 0, 6},
        {u"xy", 0, 0},                 {u"7", 0, 0},                  {u"\u03B1", 0, 0},
        {u"Theta", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + WideLength(c.name)));
        EXPECT_EQ(KindFromName(c.name), c.kind);
        EXPECT_EQ(SymbolCodeFromName(c.name), c.code);
    }
    EXPECT_EQ(KindFromName(nullptr), 0);
    EXPECT_EQ(KindFromName8("besselj"), KindBesselJ);
    EXPECT_EQ(KindFromName8("\xC0\x80"), 0);
    EXPECT_EQ(SymbolCodeFromName8("degree"), 5u);
    EXPECT_EQ(SymbolCodeFromName8("z"), 122u);
}

TEST(NodeKindTableTest, TheTableIsConsistent)
{
    std::set<std::u16string> names;
    for (int i = 0; i < kNodeKindCount; ++i) {
        const NodeKindEntry& entry = NodeKindTable[i];
        SCOPED_TRACE(entry.kind);
        EXPECT_EQ(entry.kind, kFirstTableKind + i);
        EXPECT_EQ(NodeKindEntryOf(entry.kind), &entry);
        if (entry.name) {
            EXPECT_NE(entry.name[0], 0);
            EXPECT_TRUE(names.insert(entry.name).second) << "name used twice";
            EXPECT_EQ(KindFromName(entry.name), entry.kind);
        }
        bool leaf = entry.kind <= KindText;
        EXPECT_EQ(entry.syntaxClass == SyntaxClass::Leaf, leaf);
        if (leaf) {
            EXPECT_EQ(entry.name, nullptr);
        }
        EXPECT_EQ(entry.syntaxClass == SyntaxClass::Structure,
                  entry.kind == KindSubscript || entry.kind == KindMatrix);
        // Nameless kinds are written with their character.
        if (!entry.name && !leaf) {
            EXPECT_NE(entry.displayChar, 0u);
        }
        // Named functions: the function-name routine, written before the argument.
        bool named = entry.routine == TypesetRoutine::FunctionName;
        EXPECT_EQ(IsNamedFunctionKind(entry.kind), named);
        if (named) {
            EXPECT_EQ(entry.syntaxClass, SyntaxClass::Prefix);
            EXPECT_NE(entry.name, nullptr);
        }
        // Relations are infix rows; And, Or and Not are named functions.
        if (IsBooleanKind(entry.kind)) {
            EXPECT_TRUE(entry.syntaxClass == SyntaxClass::Infix || named);
        }
        if (entry.syntaxClass == SyntaxClass::Infix) {
            EXPECT_TRUE(entry.routine == TypesetRoutine::OperatorRow || entry.kind == KindBranch);
        }
        if (IsAggregateKind(entry.kind)) {
            EXPECT_TRUE(named && entry.constantPreserving);
        }
    }
    EXPECT_EQ(names.size(), 94u);
    EXPECT_EQ(NodeKindEntryOf(KindNumber - 1), nullptr);
    EXPECT_EQ(NodeKindEntryOf(KindSup + 1), nullptr);
    EXPECT_EQ(NodeKindEntryOf(KindBoundVariable), nullptr);
}

TEST(NodeKindTableTest, KindPredicates)
{
    EXPECT_FALSE(IsBooleanKind(KindEquation));
    EXPECT_FALSE(IsBooleanKind(KindIn));
    EXPECT_TRUE(IsBooleanKind(KindLess));
    EXPECT_TRUE(IsBooleanKind(KindNot));
    EXPECT_TRUE(IsBooleanKind(KindConditionList));
    EXPECT_TRUE(IsBooleanKind(KindBooleanMark));
    EXPECT_FALSE(IsNamedFunctionKind(KindLog));
    EXPECT_FALSE(IsNamedFunctionKind(KindSet));
    EXPECT_TRUE(IsAggregateKind(KindStdDev));
    EXPECT_FALSE(IsAggregateKind(KindRe));

    ASSERT_TRUE(InitFormulaEngine());
    FormulaNode* dots = MakeVariableNode(6);
    FormulaNode* minus = MakeNode(KindMinus, 1);
    minus->children[0] = dots;
    dots->parent = minus;
    EXPECT_TRUE(IsEllipsisSymbol(dots));
    EXPECT_TRUE(HasParentKind(dots, KindMinus));
    EXPECT_FALSE(HasParentKind(minus, KindMinus));
    EXPECT_FALSE(IsVariable(minus, 6));
    FreeNode(dots);
    FreeNode(minus);
}

TEST(NodeKindTableTest, NamedSymbols)
{
    for (int i = 0; i < kNamedSymbolCount; ++i) {
        EXPECT_EQ(NamedSymbolTable[i].code, uint32_t(i + 1));
        EXPECT_EQ(NamedSymbolIndex(i + 1), i);
        EXPECT_EQ(SymbolCodeFromName(NamedSymbolTable[i].name), uint32_t(i + 1));
    }
    EXPECT_EQ(NamedSymbolIndex(0), -1);
    EXPECT_EQ(NamedSymbolIndex(7), -1);
    EXPECT_EQ(NamedSymbolTable[0].displayChar, 0x03C0u);
}

}  // namespace
