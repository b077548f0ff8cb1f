#include "editor/TypesetHandlers.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"

#include <cstddef>
#include <iterator>

namespace {

// The most rows and columns a matrix is laid out with.
constexpr int32_t kMatrixLimit = 100;

// Indexed by TypesetRoutine.
constexpr TypesetHandler kHandlers[] = {
    TypesetNumber,         // Number
    TypesetPlaceholder,    // PlaceholderBox
    TypesetVariable,       // Variable
    TypesetText,           // Text
    TypesetIndexes,        // Subscript
    TypesetMatrix,         // MatrixGrid
    TypesetInfixRow,       // OperatorRow
    TypesetUserFunction,   // Application
    TypesetSubstitution,   // SubstitutionBar
    TypesetPostfixChar,    // PostfixMark
    TypesetTranspose,      // TransposeMark
    TypesetSign,           // Sign
    TypesetNamedFunction,  // FunctionName
    TypesetLog,            // Logarithm
    TypesetRoot,           // Radical
    TypesetGrad,           // Gradient
    TypesetDivCurl,        // DivergenceOrCurl
    TypesetLaplacian,      // Laplacian
    TypesetDerivative,     // DerivativeOperator
    TypesetBigOperator,    // LargeOperator
    TypesetBrackets,       // BracketPair
    TypesetAbs,            // AbsoluteBars
    TypesetOverline,       // Overline
    TypesetFraction,       // Fraction
    TypesetPower,          // Superscript
    TypesetScientific,     // Sn
    TypesetInterval,       // Interval
    TypesetFloor,          // FloorBrackets
    TypesetCeil,           // CeilingBrackets
    TypesetHat,            // Hat
    TypesetBessel,         // Bessel
    TypesetPiecewise,      // BraceOfPieces
    TypesetIntegral,       // IntegralSign
    TypesetSet,            // SetBraces
};
static_assert(std::size(kHandlers) == static_cast<size_t>(TypesetRoutine::SetBraces) + 1);

// A matrix is laid out only when its shape holds its cells and stays within
// the sizes the layout keeps.
bool MatrixShapeFits(const FormulaNode* node)
{
    int32_t rows = node->payload.pair.low, columns = node->payload.pair.high;
    return rows >= 1 && columns >= 1 && rows <= kMatrixLimit && columns <= kMatrixLimit &&
           static_cast<uint32_t>(rows * columns) == node->childCount;
}

// The children a routine's layout reads; a node with others is shown in its
// linear form rather than read past its children.
bool ChildrenFit(TypesetRoutine routine, const FormulaNode* node)
{
    uint32_t count = node->childCount;
    switch (routine) {
    case TypesetRoutine::Number:
    case TypesetRoutine::PlaceholderBox:
    case TypesetRoutine::Variable:
    case TypesetRoutine::Text:
        return count == 0;
    case TypesetRoutine::Sign:
    case TypesetRoutine::FunctionName:
    case TypesetRoutine::PostfixMark:
    case TypesetRoutine::TransposeMark:
    case TypesetRoutine::DivergenceOrCurl:
    case TypesetRoutine::Laplacian:
    case TypesetRoutine::AbsoluteBars:
    case TypesetRoutine::Overline:
    case TypesetRoutine::FloorBrackets:
    case TypesetRoutine::CeilingBrackets:
    case TypesetRoutine::Hat:
    case TypesetRoutine::SetBraces:
        return count == 1;
    case TypesetRoutine::Logarithm:
    case TypesetRoutine::Radical:
    case TypesetRoutine::Gradient:
        return count == 1 || count == 2;
    case TypesetRoutine::Application:
    case TypesetRoutine::Fraction:
    case TypesetRoutine::Superscript:
    case TypesetRoutine::Sn:
    case TypesetRoutine::Interval:
    case TypesetRoutine::Bessel:
        return count == 2;
    case TypesetRoutine::Subscript:
        return count >= 2;
    case TypesetRoutine::MatrixGrid:
        return MatrixShapeFits(node);
    case TypesetRoutine::SubstitutionBar:
    case TypesetRoutine::LargeOperator:
        return count >= 1 && count <= 3;
    case TypesetRoutine::IntegralSign:
        return count >= 2 && count <= 4;
    case TypesetRoutine::DerivativeOperator:
    case TypesetRoutine::BraceOfPieces:
        return count >= 1;
    case TypesetRoutine::BracketPair:
        return count == (node->kind == KindChoice ? 2u : 1u);
    default:
        return true;
    }
}

}  // namespace

TypesetHandler TypesetHandlerOf(const FormulaNode* node)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    if (!entry || !ChildrenFit(entry->routine, node))
        return TypesetLinearForm;
    return kHandlers[static_cast<size_t>(entry->routine)];
}
