#include "formula/DocumentQueries.h"

namespace {

DocumentQueries Queries;

}  // namespace

void SetDocumentQueries(const DocumentQueries& queries)
{
    Queries = queries;
}

uint32_t DocSliderVariable(const DocState* doc)
{
    return doc && Queries.sliderVariable ? Queries.sliderVariable(doc) : 'n';
}

int32_t DocFindUserFunction(const DocState* doc, const FormulaNode* name)
{
    return doc && Queries.findUserFunction ? Queries.findUserFunction(doc, name) : -1;
}

bool DocHasUserFunction(const DocState* doc, const FormulaNode* name)
{
    return DocFindUserFunction(doc, name) >= 0;
}

bool DocIsTableFunction(const DocState* doc, uint32_t code)
{
    return doc && Queries.isTableFunction && Queries.isTableFunction(doc, code);
}

bool DocIsFlaggedFirstColumn(const DocState* doc, uint32_t code)
{
    return doc && Queries.isFlaggedFirstColumn && Queries.isFlaggedFirstColumn(doc, code);
}

int32_t DocTableColumnRowCount(const DocState* doc, uint32_t code)
{
    return doc && Queries.tableColumnRowCount ? Queries.tableColumnRowCount(doc, code) : 0;
}

bool DocDefinesParameter(const DocState* doc, uint32_t key)
{
    return doc && Queries.definesParameter && Queries.definesParameter(doc, key);
}

const GrowArray<const char16_t*>& DocTableColumnNames(DocState* doc)
{
    static const GrowArray<const char16_t*> none;
    const GrowArray<const char16_t*>* names = doc && Queries.tableColumnNames ? Queries.tableColumnNames(doc) : nullptr;
    return names ? *names : none;
}
