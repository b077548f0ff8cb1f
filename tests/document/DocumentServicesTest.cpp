#include "document/DocumentServices.h"

#include "document/DocLine.h"
#include "document/DocState.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "evaluation/ParameterValue.h"
#include "formula/DocumentQueries.h"
#include "formula/SymbolCodes.h"

#include "support/DocumentLines.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The lower layers read the document only through the registered services:
// each answer must follow the record, and without a registration or a
// document they must answer as an empty document does.
class DocumentServicesTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        doc.SliderVariable = 'a';
        doc.SetSliderValue(2.5);
        doc.TableFunctions.Push({CodeX, 0, 0, 7, 1});
        doc.TableFunctions.Push({CodeY, 0, 1, 3, 1});
        AppendParameterLine(doc, 'a', 2);
    }

    void TearDown() override
    {
        RegisterDocumentServices();
        doc.TableFunctions.Clear();
        doc.FreeLines();
        TreeTest::TearDown();
    }

    DocState doc;
};

TEST_F(DocumentServicesTest, RegisteredAnswersFollowTheDocument)
{
    RegisterDocumentServices();
    EXPECT_EQ(DocSliderVariable(&doc), uint32_t{'a'});
    EXPECT_EQ(DocSliderValue(&doc), 2.5);
    EXPECT_TRUE(DocIsTableFunction(&doc, CodeX));
    EXPECT_FALSE(DocIsTableFunction(&doc, CodeZ));
    // Only the flagged first column counts as the flagged first column.
    EXPECT_TRUE(DocIsFlaggedFirstColumn(&doc, CodeX));
    EXPECT_FALSE(DocIsFlaggedFirstColumn(&doc, CodeY));
    EXPECT_EQ(DocTableColumnRowCount(&doc, CodeY), 3);
    EXPECT_EQ(DocTableColumnRowCount(&doc, CodeZ), 0);
    EXPECT_TRUE(DocDefinesParameter(&doc, 'a'));
    EXPECT_FALSE(DocDefinesParameter(&doc, CodeX));
    EXPECT_EQ(DocUserFunction(&doc, 0), nullptr);
}

void ExpectEmptyDocumentAnswers(const DocState* d)
{
    EXPECT_EQ(DocSliderVariable(d), uint32_t{'n'});
    EXPECT_TRUE(std::isnan(DocSliderValue(d)));
    EXPECT_EQ(DocFindUserFunction(d, nullptr), -1);
    EXPECT_FALSE(DocIsTableFunction(d, CodeX));
    EXPECT_FALSE(DocDefinesParameter(d, CodeT));
    EXPECT_EQ(DocTableColumnRowCount(d, CodeX), 0);
    EXPECT_EQ(GetParameterValue(CodeT, 0, d).re, 1);
    EXPECT_EQ(TableColumnText(CodeX, 1, d), nullptr);
    EXPECT_FALSE(IsTextColumn(CodeX, d));
    EXPECT_TRUE(std::isnan(EvalTableFunctionReal1(CodeX, 0, d)));
    EXPECT_EQ(DocUserFunction(d, 0), nullptr);
}

TEST_F(DocumentServicesTest, NoDocumentOrNoRegistrationAnswersAsAnEmptyDocument)
{
    RegisterDocumentServices();
    {
        SCOPED_TRACE("registered, no document");
        ExpectEmptyDocumentAnswers(nullptr);
    }
    SetDocumentQueries(DocumentQueries{});
    SetDocumentValues(DocumentValues{});
    {
        SCOPED_TRACE("unregistered, no document");
        ExpectEmptyDocumentAnswers(nullptr);
    }
    {
        SCOPED_TRACE("unregistered, a document");
        ExpectEmptyDocumentAnswers(&doc);
    }
}

}  // namespace
