#include "editor/TypesetHandlers.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"

#include <cstddef>
#include <iterator>

namespace {

// Indexed by TypesetRoutine. Fractions and powers take their one-line forms
// until they have layouts of their own.
constexpr TypesetHandler kHandlers[] = {
    TypesetNumber,         // Number
    TypesetPlaceholder,    // PlaceholderBox
    TypesetVariable,       // Variable
    TypesetText,           // Text
    TypesetLinearForm,     // Subscript
    TypesetLinearForm,     // MatrixGrid
    TypesetInfixRow,       // OperatorRow
    TypesetUserFunction,   // Application
    TypesetLinearForm,     // SubstitutionBar
    TypesetLinearForm,     // PostfixMark
    TypesetLinearForm,     // TransposeMark
    TypesetSign,           // Sign
    TypesetNamedFunction,  // FunctionName
    TypesetLog,            // Logarithm
    TypesetLinearForm,     // Radical
    TypesetLinearForm,     // Gradient
    TypesetLinearForm,     // DivergenceOrCurl
    TypesetLinearForm,     // Laplacian
    TypesetLinearForm,     // DerivativeOperator
    TypesetLinearForm,     // LargeOperator
    TypesetLinearForm,     // BracketPair
    TypesetLinearForm,     // AbsoluteBars
    TypesetLinearForm,     // Overline
    TypesetInfixRow,       // Fraction
    TypesetInfixRow,       // Superscript
    TypesetLinearForm,     // Sn
    TypesetLinearForm,     // Interval
    TypesetLinearForm,     // FloorBrackets
    TypesetLinearForm,     // CeilingBrackets
    TypesetLinearForm,     // Hat
    TypesetLinearForm,     // Bessel
    TypesetLinearForm,     // BraceOfPieces
    TypesetLinearForm,     // IntegralSign
    TypesetLinearForm,     // SetBraces
};
static_assert(std::size(kHandlers) == static_cast<size_t>(TypesetRoutine::SetBraces) + 1);

// How many children a routine's layout reads; a node with another count is
// shown in its linear form rather than read past its children.
bool ChildCountFits(TypesetRoutine routine, uint32_t count)
{
    switch (routine) {
    case TypesetRoutine::Number:
    case TypesetRoutine::PlaceholderBox:
    case TypesetRoutine::Variable:
    case TypesetRoutine::Text:
        return count == 0;
    case TypesetRoutine::Sign:
    case TypesetRoutine::FunctionName:
        return count == 1;
    case TypesetRoutine::Logarithm:
        return count == 1 || count == 2;
    case TypesetRoutine::Application:
    case TypesetRoutine::Fraction:
    case TypesetRoutine::Superscript:
        return count == 2;
    default:
        return true;
    }
}

}  // namespace

TypesetHandler TypesetHandlerOf(const FormulaNode* node)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    if (!entry || !ChildCountFits(entry->routine, node->childCount))
        return TypesetLinearForm;
    return kHandlers[static_cast<size_t>(entry->routine)];
}
