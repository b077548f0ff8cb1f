#include "support/TreeEvaluator.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/LinearText.h"

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kPiValue = 3.141592653589793;
constexpr Complex kUndefined(NAN, NAN);

bool IsReal(Complex z)
{
    return z.imag() == 0;
}

Complex Power(Complex base, Complex exponent)
{
    // Real powers where they are real, so that x^2 at negative x stays real.
    if (IsReal(base) && IsReal(exponent) &&
        (base.real() >= 0 || exponent.real() == std::trunc(exponent.real())))
        return std::pow(base.real(), exponent.real());
    if (base == Complex(0, 0))
        return exponent.real() > 0 ? Complex(0, 0) : kUndefined;
    return std::pow(base, exponent);
}

double Sign(double x)
{
    return x > 0 ? 1 : x < 0 ? -1 : x;
}

Complex Function(int32_t kind, Complex z)
{
    switch (kind) {
    case KindSin: return std::sin(z);
    case KindCos: return std::cos(z);
    case KindTan: return std::tan(z);
    case KindCot: return 1.0 / std::tan(z);
    case KindCsc: return 1.0 / std::sin(z);
    case KindSec: return 1.0 / std::cos(z);
    case KindAsin: return std::asin(z);
    case KindAcos: return std::acos(z);
    case KindAtan: return std::atan(z);
    case KindAcot: return std::atan(1.0 / z);
    case KindAcsc: return std::asin(1.0 / z);
    case KindAsec: return std::acos(1.0 / z);
    case KindSinh: return std::sinh(z);
    case KindCosh: return std::cosh(z);
    case KindTanh: return std::tanh(z);
    case KindCoth: return 1.0 / std::tanh(z);
    case KindCsch: return 1.0 / std::sinh(z);
    case KindSech: return 1.0 / std::cosh(z);
    case KindAsinh: return std::asinh(z);
    case KindAcosh: return std::acosh(z);
    case KindAtanh: return std::atanh(z);
    case KindAcoth: return std::atanh(1.0 / z);
    case KindAcsch: return std::asinh(1.0 / z);
    case KindAsech: return std::acosh(1.0 / z);
    case KindLn: return std::log(z);
    case KindExp: return std::exp(z);
    case KindAbs: return std::abs(z);
    case KindSgn: return IsReal(z) ? Sign(z.real()) : z / std::abs(z);
    case KindFloor: return IsReal(z) ? std::floor(z.real()) : kUndefined;
    case KindCeil: return IsReal(z) ? std::ceil(z.real()) : kUndefined;
    case KindFact: return IsReal(z) ? std::tgamma(z.real() + 1) : kUndefined;
    case KindParentheses: return z;
    case KindMinus: return -z;
    default: return kUndefined;
    }
}

Complex Evaluate(const FormulaNode* node, const TestPoint& point);

// The two items of a comma list, or of a single operand that is one.
bool TwoArguments(const FormulaNode* node, const TestPoint& point, Complex& a, Complex& b)
{
    const FormulaNode* list = node->childCount == 1 ? node->children[0] : node;
    if (list->childCount != 2)
        return false;
    a = Evaluate(list->children[0], point);
    b = Evaluate(list->children[1], point);
    return IsReal(a) && IsReal(b);
}

Complex EvaluateNode(const FormulaNode* node, const TestPoint& point);

// Infinities count as undefined: a formula that passes through one (1/0,
// ln 0) has no value a rewrite must keep.
Complex Evaluate(const FormulaNode* node, const TestPoint& point)
{
    Complex value = EvaluateNode(node, point);
    return std::isfinite(value.real()) && std::isfinite(value.imag()) ? value : kUndefined;
}

Complex EvaluateNode(const FormulaNode* node, const TestPoint& point)
{
    switch (node->kind) {
    case KindNumber:
        return node->payload.number->value;
    case KindVariable: {
        uint32_t code = node->payload.code;
        if (code == 1)
            return kPiValue;
        if (code == 5)
            return kPiValue / 180;
        auto found = point.find(code);
        if (found != point.end())
            return found->second;
        if (code == 'e')
            return std::exp(1.0);
        if (code == 'i')
            return Complex(0, 1);
        return kUndefined;
    }
    case KindSum: {
        Complex total = 0;
        for (uint32_t i = 0; i < node->childCount; ++i)
            total += Evaluate(node->children[i], point);
        return total;
    }
    case KindProduct: {
        Complex total = 1;
        for (uint32_t i = 0; i < node->childCount; ++i)
            total *= Evaluate(node->children[i], point);
        return total;
    }
    case KindFraction:
        return Evaluate(node->children[0], point) / Evaluate(node->children[1], point);
    case KindPower:
        return Power(Evaluate(node->children[0], point), Evaluate(node->children[1], point));
    case KindSqrt:
        if (node->childCount == 2)
            return Power(Evaluate(node->children[0], point), 1.0 / Evaluate(node->children[1], point));
        return Power(Evaluate(node->children[0], point), 0.5);
    case KindLog:
        if (node->childCount == 2)
            return std::log(Evaluate(node->children[0], point)) / std::log(Evaluate(node->children[1], point));
        return std::log10(Evaluate(node->children[0], point));
    case KindSn:
        return Evaluate(node->children[0], point) * std::pow(10.0, Evaluate(node->children[1], point));
    case KindMod:
    case KindMin:
    case KindMax: {
        Complex a, b;
        if (!TwoArguments(node, point, a, b))
            return kUndefined;
        double x = a.real();
        double y = b.real();
        if (node->kind == KindMod)
            return x - y * std::floor(x / y);
        return node->kind == KindMin ? std::fmin(x, y) : std::fmax(x, y);
    }
    default:
        if (node->childCount == 1)
            return Function(node->kind, Evaluate(node->children[0], point));
        return kUndefined;
    }
}

bool Close(Complex a, Complex b)
{
    bool aUndefined = std::isnan(a.real()) || std::isnan(a.imag());
    bool bUndefined = std::isnan(b.real()) || std::isnan(b.imag());
    if (aUndefined || bUndefined)
        return aUndefined && bUndefined;
    if (a == b)
        return true;
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

}  // namespace

Complex EvaluateTree(const FormulaNode* node, const TestPoint& point)
{
    return Evaluate(node, point);
}

std::set<uint32_t> FreeVariables(const FormulaNode* node)
{
    std::set<uint32_t> codes;
    std::vector<const FormulaNode*> pending{node};
    while (!pending.empty()) {
        const FormulaNode* next = pending.back();
        pending.pop_back();
        if (next->kind == KindVariable && next->payload.code != 1 && next->payload.code != 5 &&
            next->payload.code != 'e' && next->payload.code != 'i')
            codes.insert(next->payload.code);
        for (uint32_t i = 0; i < next->childCount; ++i)
            pending.push_back(next->children[i]);
    }
    return codes;
}

::testing::AssertionResult SameValues(const FormulaNode* before, const FormulaNode* after, double low, double high)
{
    std::set<uint32_t> codes = FreeVariables(before);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> value(low, high);
    for (int trial = 0; trial < 5; ++trial) {
        TestPoint point;
        for (uint32_t code : codes)
            point[code] = value(random);
        Complex a = Evaluate(before, point);
        Complex b = Evaluate(after, point);
        if (!Close(a, b)) {
            auto failure = ::testing::AssertionFailure();
            failure << LinearText(before) << " = " << a << " but " << LinearText(after) << " = " << b << " at";
            for (auto [code, v] : point)
                failure << " #" << code << "=" << v;
            return failure;
        }
    }
    return ::testing::AssertionSuccess();
}
