#include "formula/NodeKindTable.h"

#include "CoreUtilities/WideString.h"
#include "formula/FormulaNode.h"
#include "formula/SymbolCodes.h"
#include "formula/Utf8Name.h"

// kind, name, typeset as, syntax class, display character, constant-preserving
const NodeKindEntry NodeKindTable[kNodeKindCount] = {
    {KindNumber, nullptr, TypesetRoutine::Number, SyntaxClass::Leaf, 0, 1},
    {KindPlaceholder, nullptr, TypesetRoutine::PlaceholderBox, SyntaxClass::Leaf, 0, 0},
    {KindVariable, nullptr, TypesetRoutine::Variable, SyntaxClass::Leaf, 0, 0},
    {KindText, nullptr, TypesetRoutine::Text, SyntaxClass::Leaf, 0, 0},
    {KindSubscript, u"indexes", TypesetRoutine::Subscript, SyntaxClass::Structure, 0, 0},
    {KindMatrix, u"matrix", TypesetRoutine::MatrixGrid, SyntaxClass::Structure, 0, 0},
    {KindProduct, nullptr, TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x00B7, 1},
    {KindApplication, u"function", TypesetRoutine::Application, SyntaxClass::TwoPlace, 0, 0},
    {KindSum, nullptr, TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x002B, 1},
    {KindEquation, nullptr, TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x003D, 0},
    {KindComma, nullptr, TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x002C, 0},
    {KindNotEqual, u"notequal", TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x2260, 0},
    {KindLess, nullptr, TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x003C, 0},
    {KindLeq, u"leq", TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x2264, 0},
    {KindGreater, nullptr, TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x003E, 0},
    {KindGeq, u"geq", TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x2265, 0},
    {KindIn, u"in", TypesetRoutine::OperatorRow, SyntaxClass::Infix, 0x220A, 0},
    {KindSubstitution, u"substitution", TypesetRoutine::SubstitutionBar, SyntaxClass::Postfix, 0, 0},
    {KindFact, u"fact", TypesetRoutine::PostfixMark, SyntaxClass::Postfix, 0x0021, 1},
    {KindSuperscriptT, u"superscriptT", TypesetRoutine::TransposeMark, SyntaxClass::Postfix, 0, 0},
    {KindPlusOrMinus, u"plusorminus", TypesetRoutine::Sign, SyntaxClass::Prefix, 0x00B1, 0},
    {KindMinusOrPlus, u"minusorplus", TypesetRoutine::Sign, SyntaxClass::Prefix, 0x2213, 0},
    {KindMinus, u"minus", TypesetRoutine::Sign, SyntaxClass::Prefix, 0x2212, 1},
    {KindSin, u"sin", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCos, u"cos", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindTan, u"tan", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCot, u"cot", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCsc, u"csc", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindSec, u"sec", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAsin, u"asin", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAcos, u"acos", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAtan, u"atan", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAcot, u"acot", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAcsc, u"acsc", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAsec, u"asec", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindSinh, u"sinh", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCosh, u"cosh", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindTanh, u"tanh", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCoth, u"coth", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCsch, u"csch", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindSech, u"sech", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAsinh, u"asinh", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAcosh, u"acosh", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAtanh, u"atanh", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAcoth, u"acoth", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAcsch, u"acsch", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindAsech, u"asech", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindSgn, u"sgn", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindLog, u"log", TypesetRoutine::Logarithm, SyntaxClass::Prefix, 0, 1},
    {KindSqrt, u"sqrt", TypesetRoutine::Radical, SyntaxClass::Prefix, 0, 1},
    {KindGrad, u"grad", TypesetRoutine::Gradient, SyntaxClass::Prefix, 0, 0},
    {KindDiv, u"div", TypesetRoutine::DivergenceOrCurl, SyntaxClass::Prefix, 0x00B7, 0},
    {KindCurl, u"curl", TypesetRoutine::DivergenceOrCurl, SyntaxClass::Prefix, 0x00D7, 0},
    {KindLap, u"lap", TypesetRoutine::Laplacian, SyntaxClass::Prefix, 0, 0},
    {KindOpTotal, u"optotal", TypesetRoutine::DerivativeOperator, SyntaxClass::Prefix, 0x0064, 0},
    {KindOpPartial, u"oppartial", TypesetRoutine::DerivativeOperator, SyntaxClass::Prefix, 0x2202, 0},
    {KindSigma, u"sum", TypesetRoutine::LargeOperator, SyntaxClass::Prefix, 0x2211, 0},
    {KindCapitalPi, u"product", TypesetRoutine::LargeOperator, SyntaxClass::Prefix, 0x220F, 0},
    {KindLeftParen, u"lparen", TypesetRoutine::BracketPair, SyntaxClass::Prefix, 0, 0},
    {KindParentheses, u"id", TypesetRoutine::BracketPair, SyntaxClass::Enclosing, 0, 1},
    {KindAbs, u"abs", TypesetRoutine::AbsoluteBars, SyntaxClass::Enclosing, 0, 1},
    {KindOverline, u"overline", TypesetRoutine::Overline, SyntaxClass::Enclosing, 0, 1},
    {KindFraction, u"over", TypesetRoutine::Fraction, SyntaxClass::TwoPlace, 0x2215, 1},
    {KindPower, u"power", TypesetRoutine::Superscript, SyntaxClass::TwoPlace, 0x005E, 1},
    {KindSn, u"sn", TypesetRoutine::Sn, SyntaxClass::TwoPlace, 0, 1},
    {KindChoice, u"choice", TypesetRoutine::BracketPair, SyntaxClass::TwoPlace, 0, 1},
    {KindInterval, u"interval", TypesetRoutine::Interval, SyntaxClass::TwoPlace, 0, 0},
    {KindDot, u"dot", TypesetRoutine::OperatorRow, SyntaxClass::TwoPlace, 0x00B7, 0},
    {KindCross, u"cross", TypesetRoutine::OperatorRow, SyntaxClass::TwoPlace, 0x00D7, 0},
    {KindFloor, u"floor", TypesetRoutine::FloorBrackets, SyntaxClass::Enclosing, 0, 1},
    {KindCeil, u"ceil", TypesetRoutine::CeilingBrackets, SyntaxClass::Enclosing, 0, 1},
    {KindLn, u"ln", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindExp, u"exp", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindArg, u"arg", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindImag, u"imag", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindReal, u"real", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindPrime, u"prime", TypesetRoutine::PostfixMark, SyntaxClass::Postfix, 0x0027, 0},
    {KindHat, u"hat", TypesetRoutine::Hat, SyntaxClass::Postfix, 0, 0},
    {KindBesselJ, u"besselj", TypesetRoutine::Bessel, SyntaxClass::TwoPlace, 0x004A, 1},
    {KindIf, u"if", TypesetRoutine::OperatorRow, SyntaxClass::TwoPlace, 0, 1},
    {KindBranch, u"branch", TypesetRoutine::BraceOfPieces, SyntaxClass::Infix, 0, 1},
    {KindIntegral, u"integral", TypesetRoutine::IntegralSign, SyntaxClass::TwoPlace, 0x222B, 0},
    {KindMod, u"mod", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindMin, u"min", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindMax, u"max", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindClamp, u"clamp", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindAggregateSum, u"Sum", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindCount, u"Count", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindMean, u"Mean", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindStdDev, u"StdDev", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindRe, u"Re", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindIm, u"Im", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindSlider, u"slider", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindSet, u"set", TypesetRoutine::SetBraces, SyntaxClass::Enclosing, 0, 0},
    {KindTranspose, u"Transpose", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindTrace, u"Trace", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindDet, u"Det", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindRotate, u"Rotate", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindInterpolate, u"Interpolate", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindAnd, u"And", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindOr, u"Or", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindNot, u"Not", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 0},
    {KindInf, u"Inf", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
    {KindSup, u"Sup", TypesetRoutine::FunctionName, SyntaxClass::Prefix, 0, 1},
};

const NodeKindEntry* NodeKindEntryOf(int32_t kind)
{
    if (kind < kFirstTableKind || kind >= kFirstTableKind + kNodeKindCount)
        return nullptr;
    return &NodeKindTable[kind - kFirstTableKind];
}

int32_t KindFromName(const char16_t* name)
{
    if (!name)
        return 0;
    for (const NodeKindEntry& entry : NodeKindTable) {
        if (entry.name && WideCompare(entry.name, name) == 0)
            return entry.kind;
    }
    return 0;
}

int32_t KindFromName8(const char* name)
{
    return WithWideName(name, KindFromName);
}

bool IsNamedFunctionKind(int32_t kind)
{
    return (kind >= KindSin && kind <= KindSgn) || (kind >= KindLn && kind <= KindReal) ||
           (kind >= KindMod && kind <= KindSlider) || (kind >= KindTranspose && kind <= KindSup);
}

bool IsAggregateKind(int32_t kind)
{
    return kind >= KindAggregateSum && kind <= KindStdDev;
}

bool IsBooleanKind(int32_t kind)
{
    return (kind >= KindNotEqual && kind <= KindGeq) || (kind >= KindAnd && kind <= KindNot) ||
           kind == KindConditionList || kind == KindBooleanMark;
}

bool HasParentKind(const FormulaNode* node, int32_t kind)
{
    return node->parent && node->parent->kind == kind;
}

bool IsVariable(const FormulaNode* node, uint32_t code)
{
    return node->kind == KindVariable && node->payload.code == code;
}

bool IsEllipsisSymbol(const FormulaNode* node)
{
    return IsVariable(node, CodeLdots);
}
