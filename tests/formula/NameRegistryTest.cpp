#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/WideString.h"
#include "document/DocState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NameRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

std::u16string Name(const char* prefix, int n)
{
    std::string text = prefix + std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

bool IsIndexName(const char16_t* name)
{
    return WideEqual(name, u"_index_");
}

TEST(NameRegistryTest, NamesGetOneCodeEachInFirstUseOrder)
{
    EXPECT_TRUE(IsIndexName(SymbolName('q')));
    uint32_t alpha = InternSymbolName(u"\u03B1");
    EXPECT_GE(alpha, kFirstRegistryCode);
    EXPECT_EQ(InternSymbolName(u"\u03B1"), alpha);
    EXPECT_TRUE(WideEqual(SymbolName(alpha), u"\u03B1"));
    // One character below 128 is its own code, and is entered for its name.
    EXPECT_EQ(InternSymbolName(u"q"), uint32_t('q'));
    EXPECT_TRUE(WideEqual(SymbolName('q'), u"q"));
    // Named symbols are the caller's business: "pi" takes a registry code.
    EXPECT_GE(InternSymbolName(u"pi"), kFirstRegistryCode);
    EXPECT_EQ(InternSymbolName8("\xCE\xB1"), alpha);
    EXPECT_EQ(InternSymbolName(nullptr), 0u);
    EXPECT_EQ(InternSymbolName(u""), 0u);
    EXPECT_EQ(InternSymbolName8("\xC0\x80"), 0u);
    for (uint32_t code : {7u, 10u, 14u})
        EXPECT_TRUE(IsIndexName(SymbolName(code)));

    uint32_t first = InternSymbolName(Name("name", 0).c_str());
    for (int i = 1; i < 1000; ++i)
        EXPECT_EQ(InternSymbolName(Name("name", i).c_str()), first + i);
    EXPECT_TRUE(WideEqual(SymbolName(first + 999), Name("name", 999).c_str()));
    // A nameless code takes the next one and reads as "_index_".
    uint32_t nameless = NextRegistryCode();
    EXPECT_EQ(nameless, first + 1000);
    EXPECT_TRUE(IsIndexName(SymbolName(nameless)));
}

TEST(NameRegistryTest, NamesInUseHoldEachNameOnce)
{
    uint32_t code = InternSymbolName(u"speed");
    ClearNamesInUse();
    EXPECT_EQ(GetNamesInUse().count, 0);
    NoteNameInUse(code);
    NoteNameInUse(code);
    ASSERT_EQ(GetNamesInUse().count, 1);
    EXPECT_EQ(GetNamesInUse()[0], SymbolName(code));
    // Interning adds the new name.
    InternSymbolName(u"height");
    EXPECT_EQ(GetNamesInUse().count, 2);
}

TEST(NameRegistryTest, StyleKeysAndCodePredicates)
{
    ASSERT_TRUE(InitFormulaEngine());
    EXPECT_TRUE(IsStyleKeyName(InternSymbolName(u"label")));
    EXPECT_TRUE(IsStyleKeyName(InternSymbolName(u"fontsize")));
    EXPECT_FALSE(IsStyleKeyName(InternSymbolName(u"Label")));
    EXPECT_FALSE(IsStyleKeyName(0));

    struct Case {
        uint32_t code;
        bool builtInVariable, constant, reserved, builtIn, parameter;
    };
    const Case cases[] = {
        {1, false, true, true, true, false},   {2, true, false, true, true, true},
        {6, false, true, true, true, false},   {7, true, false, true, true, true},
        {14, true, false, true, true, true},   {'e', false, true, true, true, true},
        {'i', false, true, true, false, true}, {'r', true, false, true, true, true},
        {'s', false, false, false, false, true}, {'t', true, false, true, true, true},
        {'z', true, false, true, true, true},  {'a', false, false, false, false, true},
        {300, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(IsBuiltInVariable(c.code), c.builtInVariable);
        EXPECT_EQ(IsConstantSymbol(c.code), c.constant);
        EXPECT_EQ(IsReservedSymbol(c.code), c.reserved);
        EXPECT_EQ(IsBuiltInSymbol(c.code), c.builtIn);
        EXPECT_EQ(CanBeFunctionParameter(c.code), c.parameter);
    }
}

TEST(NameRegistryTest, ReadersOnAnotherThreadSeeWholeNames)
{
    uint32_t code = InternSymbolName(u"steady");
    bool allSeen = true;
    std::thread reader([&] {
        for (int i = 0; i < 2000; ++i)
            allSeen = allSeen && WideEqual(SymbolName(code), u"steady");
    });
    for (int i = 0; i < 2000; ++i)
        InternSymbolName(Name("grow", i).c_str());
    reader.join();
    EXPECT_TRUE(allSeen);
}

TEST(NameRegistryTest, LoopIndicesOfLoweringsUseNoRegistryCodes)
{
    uint32_t next = NextRegistryCode();
    EXPECT_EQ(InternalIndexCode(0), 128u);
    EXPECT_EQ(InternalIndexCode(127), 255u);
    EXPECT_EQ(InternalIndexCode(128), 0u);
    EXPECT_TRUE(IsIndexName(SymbolName(InternalIndexCode(3))));
    EXPECT_EQ(NextRegistryCode(), next + 1);
}

TEST(NameRegistryTest, TableColumnsOfTheDocument)
{
    ASSERT_TRUE(InitFormulaEngine());
    uint32_t height = InternSymbolName(u"height");
    uint32_t weight = InternSymbolName(u"weight");
    DocState doc;
    doc.TableFunctions.Push({height, 2, 0, 12, 1});
    doc.TableFunctions.Push({weight, 2, 1, 30, 1});
    EXPECT_TRUE(IsTableFunctionName(height, &doc));
    EXPECT_FALSE(IsTableFunctionName('x', &doc));
    EXPECT_TRUE(IsFlaggedFirstColumn(height, &doc));
    EXPECT_FALSE(IsFlaggedFirstColumn(weight, &doc));
    doc.TableFunctions[0].flag = 0;
    EXPECT_FALSE(IsFlaggedFirstColumn(height, &doc));

    FormulaNode* sum = MakeNode(KindSum, 3);
    uint32_t codes[] = {height, 'x', weight};
    for (int i = 0; i < 3; ++i) {
        sum->children[i] = MakeVariableNode(codes[i]);
        sum->children[i]->parent = sum;
    }
    EXPECT_EQ(MaxTableLengthOfTree(sum, &doc), 30);
    EXPECT_EQ(MaxTableLengthOfTree(sum->children[0], &doc), 12);
    EXPECT_EQ(MaxTableLengthOfTree(sum->children[1], &doc), 0);
    for (int i = 0; i < 3; ++i)
        FreeNode(sum->children[i]);
    FreeNode(sum);
    doc.TableFunctions.Clear();
}

}  // namespace
