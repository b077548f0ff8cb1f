#include "document/DocumentServices.h"

#include "document/DefinitionTests.h"
#include "document/DocState.h"
#include "document/ParameterValues.h"
#include "document/PictureText.h"
#include "document/TableFunctions.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/SubtreeEvaluation.h"
#include "formula/DocumentQueries.h"

#include <cmath>

namespace {

uint32_t SliderVariable(const DocState* doc)
{
    return doc->GetSliderVariable();
}

const GrowArray<const char16_t*>* TableColumnNames(DocState* doc)
{
    if (doc->TableColumnNamesStale) {
        doc->TableColumnNames.Clear();
        doc->CollectTableColumnNames(doc->TableColumnNames);
        doc->TableColumnNamesStale = 0;
    }
    return &doc->TableColumnNames;
}

int32_t FindUserFunction(const DocState* doc, const FormulaNode* name)
{
    return doc->FindUserFunction(name);
}

bool IsTableFunction(const DocState* doc, uint32_t code)
{
    return FindTableFunction(doc->TableFunctions, code) != nullptr;
}

bool IsFlaggedFirstColumn(const DocState* doc, uint32_t code)
{
    const TableFunctionEntry* entry = FindTableFunction(doc->TableFunctions, code);
    return entry && entry->column == 0 && entry->flag;
}

int32_t TableColumnRowCount(const DocState* doc, uint32_t code)
{
    return doc->TableColumnRowCount(code);
}

bool DefinesParameter(const DocState* doc, uint32_t key)
{
    return IsParameterKeyDefined(key, doc);
}

double SliderValue(const DocState* doc)
{
    return doc->GetSliderValue();
}

const UserFunction* UserFunctionAt(const DocState* doc, int32_t index)
{
    return index < doc->UserFunctions.count ? doc->UserFunctions[index] : nullptr;
}

const char16_t* ColumnText(uint32_t code, int32_t row, const DocState* doc)
{
    return GetTableFunctionCellText(code, row, doc);
}

char16_t* ColumnTextCopy(uint32_t code, int32_t row, const DocState* doc)
{
    return GetTableFunctionCellCopy(code, row, doc);
}

bool HoldsText(uint32_t code, const DocState* doc)
{
    return IsTableTextFunction(code, doc);
}

}  // namespace

void RegisterDocumentServices()
{
    RegisterSubtreeEvaluation();
    DocumentQueries queries;
    queries.sliderVariable = &SliderVariable;
    queries.findUserFunction = &FindUserFunction;
    queries.isTableFunction = &IsTableFunction;
    queries.isFlaggedFirstColumn = &IsFlaggedFirstColumn;
    queries.tableColumnRowCount = &TableColumnRowCount;
    queries.definesParameter = &DefinesParameter;
    queries.tableColumnNames = &TableColumnNames;
    SetDocumentQueries(queries);
    DocumentValues values;
    values.sliderValue = &SliderValue;
    values.parameterValue = &DocumentParameterValue;
    values.columnText = &ColumnText;
    values.columnTextCopy = &ColumnTextCopy;
    values.isTextColumn = &HoldsText;
    values.tableReal1 = &TableFunctionValue1;
    values.tableReal2 = &TableFunctionValue2;
    values.tableInterval1 = &TableFunctionInterval1;
    values.tableInterval2 = &TableFunctionInterval2;
    values.userFunction = &UserFunctionAt;
    SetDocumentValues(values);
    RegisterPictureTextHooks();
}
