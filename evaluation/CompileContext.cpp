#include "evaluation/CompileContext.h"

#include "evaluation/ConstantTable.h"

#include <new>

CompileContext::CompileContext() : table(new (std::nothrow) ConstantTable) {}

CompileContext::~CompileContext()
{
    delete table;
}

void CompileContext::SetDocument(DocState* document)
{
    doc = document;
    if (table)
        table->doc = document;
}
