#include "support/LinearText.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/LinearFormulaText.h"

std::string LinearText(const FormulaNode* node, bool bracket)
{
    char* text = FormulaToText(node, bracket);
    if (!text)
        return "<no text>";
    std::string result(text);
    BudgetFree(text);
    return result;
}
