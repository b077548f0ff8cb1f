#include "rendering/FragmentProgramCompiler.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SubtreeValue.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeConstness.h"
#include "rendering/FragmentProgramBuilder.h"

#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;
// Deeper formulas are left to the processor rather than risk the stack.
constexpr int32_t kMaxCompileDepth = 400;

struct DepthGuard {
    explicit DepthGuard(int32_t& depth) : depth_(depth)
    {
        if (++depth_ > kMaxCompileDepth)
            throw ProgramBuildError("formula too deep");
    }
    ~DepthGuard() { --depth_; }
    int32_t& depth_;
};

}  // namespace

int32_t FragmentProgramBuilder::CompileNode(const FormulaNode* node)
{
    if (!node)
        throw ProgramBuildError("no formula");
    DepthGuard guard(depth_);
    if (IsConstantTree(node, doc_))
        return ConstantOperand(EvaluateSubtreeReal(node, doc_));
    if (IsConstantTreeWithParameters(node, doc_))
        return ParameterOperand(node);
    std::vector<int32_t> c;
    for (uint32_t i = 0; i < node->childCount; ++i)
        c.push_back(CompileNode(node->children[i]));
    const int32_t n = static_cast<int32_t>(c.size());
    const auto need = [&](int32_t count) {
        if (n < count)
            throw ProgramBuildError("operand missing");
    };
    const int32_t r = NewTemp();
    switch (node->kind) {
    case KindVariable:
        switch (node->payload.code) {
        case CodePi:
            return ConstantOperand(kPi);
        case CodePhi:
            return Phi();
        case CodeTheta:
            return Theta();
        case CodeSphericalRadius:
            return SphericalRadius();
        case CodeE:
            return ConstantOperand(kE);
        case CodeX:
            return x;
        case CodeY:
            return y;
        case CodeZ:
            return z;
        default:
            // No operand holds it (r, w, a name the document does not
            // define): the processor colours instead.
            throw ProgramBuildError("variable without an operand");
        }
    case KindParentheses:
    case KindParsedBracket:
        need(1);
        return c[0];
    case KindProduct:
        need(1);
        return EmitReduction("MUL", c.data(), n);
    case KindSum:
        need(1);
        return EmitReduction("ADD", c.data(), n);
    case KindComma:
    case KindConditionList:
        need(1);
        if (n == 1)
            return c[0];
        Emit("MUL", r, c[0], c[1]);
        for (int32_t k = 2; k < n; ++k)
            Emit("MUL", r, r, c[k]);
        return r;
    case KindLess:
    case KindLeq:
    case KindGreater:
    case KindGeq: {
        need(2);
        const bool less = node->kind == KindLess || node->kind == KindLeq;
        for (int32_t k = 0; k + 1 < n; ++k) {
            const int32_t t = k == 0 ? r : NewTemp();
            if (less)
                Emit("SLT", t, c[k], c[k + 1]);
            else
                Emit("SLT", t, c[k + 1], c[k]);
            if (k > 0)
                Emit("MUL", r, r, t);
        }
        return r;
    }
    case KindMinus:
        need(1);
        return -c[0];
    case KindSin:
        need(1);
        Emit("SIN", r, c[0]);
        return r;
    case KindCos:
        need(1);
        Emit("COS", r, c[0]);
        return r;
    case KindAsin:
        need(1);
        return EmitAsin(c[0]);
    case KindAtan:
        need(1);
        return EmitAtan(c[0]);
    case KindAcot: {
        need(1);
        Emit("RCP", r, c[0]);
        const int32_t a = EmitAtan(r);
        const int32_t t = NewTemp();
        Emit("CMP", t, c[0], ConstantOperand(kPi), ConstantOperand(0));
        Emit("ADD", a, a, t);
        return a;
    }
    case KindSgn: {
        need(1);
        const int32_t f = NewTemp(), p = NewTemp();
        Emit("SLT", f, c[0], ConstantOperand(0));
        Emit("SLT", p, ConstantOperand(0), c[0]);
        Emit("ADD", r, p, -f);
        return r;
    }
    case KindLog:
    case KindLn:
        need(1);
        if (n != 1)
            throw ProgramBuildError("logarithm to a base");
        Emit("LG2", r, c[0]);
        Emit("MUL", r, r, ConstantOperand(node->kind == KindLog ? 0.3010299956639812 : 0.6931471805599453));
        EmitDomainCheck(r, c[0]);
        return r;
    case KindSqrt:
        need(1);
        if (n != 1)
            throw ProgramBuildError("root of another degree");
        Emit("RSQ", r, c[0]);
        Emit("RCP", r, r);
        EmitDomainCheck(r, c[0]);
        return r;
    case KindAbs:
        need(1);
        Emit("ABS", r, c[0]);
        return r;
    case KindFraction:
        need(2);
        Emit("RCP", r, c[1]);
        Emit("MUL", r, c[0], r);
        return r;
    case KindPower:
        need(2);
        return CompilePower(node, c[0], c[1]);
    case KindFloor:
        need(1);
        Emit("FLR", r, c[0]);
        return r;
    case KindExp:
        need(1);
        Emit("POW", r, ConstantOperand(kE), c[0]);
        return r;
    case KindMod:
        need(2);
        Emit("RCP", r, c[1]);
        Emit("MUL", r, r, c[0]);
        Emit("FRC", r, r);
        Emit("MUL", r, r, c[1]);
        return r;
    case KindMin:
        need(1);
        return EmitReduction("MIN", c.data(), n);
    case KindMax:
        need(1);
        return EmitReduction("MAX", c.data(), n);
    case KindPointAngle:
        need(2);
        return EmitAtan2(c[0], c[1]);
    default:
        // Nothing would write the result: refuse rather than read an
        // unwritten register.
        throw ProgramBuildError("kind without instructions");
    }
}

int32_t FragmentProgramBuilder::CompilePower(const FormulaNode*, int32_t base, int32_t exponent)
{
    const ProgramOperand* e = Operand(exponent);
    if (e && e->kind == OperandConstant) {
        const double v = exponent < 0 ? -e->value : e->value;
        const double whole = std::trunc(std::fabs(v));
        if (v - std::floor(v) < 1e-7 && whole <= 6) {
            const int32_t n = static_cast<int32_t>(whole);
            const int32_t r = NewTemp();
            int32_t result = r;
            switch (n) {
            case 0:
                return ConstantOperand(1);
            case 1:
                result = base;
                break;
            case 2:
                Emit("MUL", r, base, base);
                break;
            case 3:
                Emit("MUL", r, base, base);
                Emit("MUL", r, r, base);
                break;
            case 4:
                Emit("MUL", r, base, base);
                Emit("MUL", r, r, r);
                break;
            case 5:
                Emit("MUL", r, base, base);
                Emit("MUL", r, r, r);
                Emit("MUL", r, r, base);
                break;
            default:
                Emit("MUL", r, base, base);
                Emit("MUL", r, r, base);
                Emit("MUL", r, r, r);
                break;
            }
            if (v < -0.5) {
                Emit("RCP", r, result);
                result = r;
            }
            return result;
        }
    }
    // |base|^exponent with the sign (-1)^exponent for a whole exponent; a
    // negative base with a fractional exponent is discarded. A zero base
    // gives 0 for a positive exponent and 1 otherwise (the processor's
    // infinity is 1 once a colour is clamped).
    const int32_t r = NewTemp();
    const int32_t one = ConstantOperand(1);
    const int32_t a = NewTemp(), m = NewTemp(), zero = NewTemp();
    Emit("ABS", a, base);
    Emit("CMP", m, -a, a, one);
    Emit("POW", r, m, exponent);
    Emit("SLT", zero, ConstantOperand(0), exponent);
    Emit("ADD", zero, one, -zero);
    Emit("CMP", r, -a, r, zero);
    const int32_t s = NewTemp();
    Emit("ADD", s, exponent, ConstantOperand(0.5));
    Emit("MUL", s, exponent, ConstantOperand(0.5));
    Emit("FRC", s, s);
    Emit("MAD", s, s, ConstantOperand(2), -one);
    Emit("CMP", s, s, one, -one);
    Emit("CMP", s, base, s, one);
    Emit("MUL", r, r, s);
    const int32_t q = NewTemp();
    Emit("SLT", q, base, ConstantOperand(0));
    const int32_t k = NewTemp();
    Emit("FRC", k, exponent);
    Emit("MUL", k, -k, q);
    EmitDomainCheck(r, k);
    return r;
}

void FragmentProgramBuilder::EmitDomainCheck(int32_t, int32_t test)
{
    Emit("KIL", test);
}

int32_t FragmentProgramBuilder::EmitAsin(int32_t xIn)
{
    const int32_t r = NewTemp(), m = NewTemp(), o = NewTemp();
    Emit("ABS", r, xIn);
    Emit("ADD", m, ConstantOperand(1), -r);
    EmitDomainCheck(m, m);
    Emit("MAD", o, r, ConstantOperand(-0.018729299), ConstantOperand(0.074261002));
    Emit("MAD", o, o, r, ConstantOperand(-0.21211439));
    Emit("RSQ", m, m);
    Emit("MAD", r, o, r, ConstantOperand(1.5707288));
    Emit("RCP", m, m);
    Emit("MAD", m, -m, r, ConstantOperand(1.5707964));
    Emit("SLT", r, xIn, ConstantOperand(0));
    Emit("MUL", r, r, m);
    Emit("MAD", r, -r, ConstantOperand(2), m);
    return r;
}

void FragmentProgramBuilder::EmitAtanUnit(int32_t a)
{
    const int32_t b = NewTemp();
    Emit("MAD", b, a, ConstantOperand(0.5746870030895631), ConstantOperand(0.9964111111950724));
    Emit("MAD", b, a, b, ConstantOperand(0.00005351201082130836));
    const int32_t g = NewTemp();
    Emit("MAD", g, a, ConstantOperand(0.46258030290827623), ConstantOperand(0.5380131943358998));
    Emit("MAD", g, g, a, ConstantOperand(1));
    Emit("RCP", g, g);
    Emit("MUL", a, b, g);
}

int32_t FragmentProgramBuilder::EmitAtan(int32_t xIn)
{
    const int32_t r = NewTemp(), c = NewTemp(), d = NewTemp();
    Emit("ABS", r, xIn);
    Emit("RCP", c, r);
    Emit("ADD", d, r, ConstantOperand(-1));
    EmitAtanUnit(r);
    EmitAtanUnit(c);
    Emit("ADD", c, ConstantOperand(1.5707963267948966), -c);
    Emit("CMP", r, d, r, c);
    Emit("CMP", r, xIn, -r, r);
    return r;
}

int32_t FragmentProgramBuilder::EmitAtan2(int32_t xIn, int32_t yIn)
{
    const int32_t c = NewTemp(), d = NewTemp(), r0 = NewTemp();
    Emit("ABS", c, xIn);
    Emit("ABS", d, yIn);
    Emit("RCP", r0, c);
    Emit("MUL", r0, d, r0);
    const int32_t r = EmitAtan(r0);
    const int32_t g = NewTemp();
    Emit("ADD", g, ConstantOperand(kPi), -r);
    Emit("CMP", r, xIn, g, r);
    Emit("CMP", r, yIn, -r, r);
    return r;
}

int32_t FragmentProgramBuilder::EmitEqualsTest(int32_t a, int32_t k)
{
    const int32_t d = NewTemp();
    Emit("ADD", d, a, -k);
    Emit("ABS", d, d);
    const int32_t r = NewTemp();
    Emit("ADD", r, d, ConstantOperand(-0.0001));
    return r;
}

void FragmentProgramBuilder::EmitHSVToRGB(int32_t red, int32_t green, int32_t blue, int32_t hue, int32_t saturation,
                                          int32_t value)
{
    const int32_t A = NewTemp(), N = NewTemp(), F = NewTemp(), P = NewTemp(), W = NewTemp(), Q = NewTemp(),
                  U = NewTemp(), T = NewTemp();
    const int32_t one = ConstantOperand(1);
    Emit("MUL", A, hue, ConstantOperand(0.002777777777777778));
    Emit("FRC", A, A);
    Emit("MUL", A, A, ConstantOperand(6));
    Emit("FLR", N, A);
    Emit("ADD", F, A, -N);
    Emit("MAD", P, -value, saturation, value);
    Emit("MAD", W, -saturation, F, one);
    Emit("MUL", Q, value, W);
    Emit("ADD", U, one, -F);
    Emit("MAD", U, -saturation, U, one);
    Emit("MUL", T, value, U);
    Emit("MOV", red, value);
    Emit("MOV", green, P);
    Emit("MOV", blue, Q);
    int32_t equals[5];
    for (int32_t k = 0; k < 5; ++k)
        equals[k] = EmitEqualsTest(N, ConstantOperand(k));
    const int32_t sectors[5][3] = {{value, T, P}, {Q, value, P}, {P, value, T}, {P, Q, value}, {T, P, value}};
    for (int32_t k = 0; k < 5; ++k) {
        Emit("CMP", red, equals[k], sectors[k][0], red);
        Emit("CMP", green, equals[k], sectors[k][1], green);
        Emit("CMP", blue, equals[k], sectors[k][2], blue);
    }
}

int32_t FragmentProgramBuilder::RadiusSquaredXY()
{
    if (!radiusSquaredXY_) {
        const int32_t t = NewTemp();
        Emit("MUL", t, x, x);
        Emit("MAD", t, y, y, t);
        radiusSquaredXY_ = t;
    }
    return radiusSquaredXY_;
}

int32_t FragmentProgramBuilder::RadiusSquaredXYZ()
{
    if (!radiusSquaredXYZ_) {
        const int32_t xy = RadiusSquaredXY();
        const int32_t t = NewTemp();
        Emit("MAD", t, z, z, xy);
        radiusSquaredXYZ_ = t;
    }
    return radiusSquaredXYZ_;
}

int32_t FragmentProgramBuilder::InverseSphericalRadius()
{
    if (!inverseRadius_) {
        const int32_t xyz = RadiusSquaredXYZ();
        const int32_t t = NewTemp();
        Emit("RSQ", t, xyz);
        inverseRadius_ = t;
    }
    return inverseRadius_;
}

int32_t FragmentProgramBuilder::SphericalRadius()
{
    if (!radius_) {
        const int32_t inverse = InverseSphericalRadius();
        const int32_t t = NewTemp();
        Emit("RCP", t, inverse);
        radius_ = t;
    }
    return radius_;
}

int32_t FragmentProgramBuilder::Theta()
{
    if (!theta_)
        theta_ = EmitAtan2(x, y);
    return theta_;
}

int32_t FragmentProgramBuilder::Phi()
{
    if (!phi_) {
        RadiusSquaredXYZ();
        const int32_t t = NewTemp();
        Emit("RSQ", t, RadiusSquaredXY());
        Emit("RCP", t, t);
        phi_ = EmitAtan2(z, t);
    }
    return phi_;
}

namespace {

void EmitCondition(FragmentProgramBuilder& builder, const FormulaNode* condition, DocState* doc)
{
    if (!condition || IsConstantTree(condition, doc))
        return;
    const int32_t h = builder.ConstantOperand(0.5);
    const int32_t e = builder.CompileNode(condition);
    // Into a temporary of its own: the condition's operand may be an input
    // or a parameter, which a program cannot write.
    const int32_t t = builder.NewTemp();
    builder.Emit("SLT", t, e, h);
    builder.Emit("KIL", -t);
}

void EmitLitColour(FragmentProgramBuilder& builder, int32_t red, int32_t green, int32_t blue)
{
    const char* const kOut[] = {"result.color.x", "result.color.y", "result.color.z"};
    const char* const kLit[] = {"fragment.color.primary.x", "fragment.color.primary.y", "fragment.color.primary.z"};
    const int32_t colour[] = {red, green, blue};
    for (int k = 0; k < 3; ++k)
        builder.Emit("MUL", builder.NamedOperand(kOut[k]), builder.NamedOperand(kLit[k]), colour[k]);
}

void EmitSaturated(FragmentProgramBuilder& builder, const int32_t (&in)[3], int32_t (&out)[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = builder.NewTemp();
    for (int k = 0; k < 3; ++k)
        builder.Emit("MOV_SAT", out[k], in[k]);
}

template <typename Work>
std::string BuildSafely(ProgramConstantTrees* parameters, DocState* doc, Work work)
{
    try {
        FragmentProgramBuilder builder(parameters, doc);
        work(builder);
        return builder.WriteProgramText();
    } catch (const ProgramBuildError&) {
    } catch (const std::bad_alloc&) {
    }
    return {};
}

}  // namespace

std::string BuildRGBFragmentProgram(ProgramConstantTrees* parameters, const FormulaNode* red,
                                    const FormulaNode* green, const FormulaNode* blue, const FormulaNode* condition,
                                    DocState* doc)
{
    return BuildSafely(parameters, doc, [&](FragmentProgramBuilder& builder) {
        EmitCondition(builder, condition, doc);
        int32_t colour[3];
        if (red && green && blue) {
            const int32_t in[3] = {builder.CompileNode(red), builder.CompileNode(green), builder.CompileNode(blue)};
            EmitSaturated(builder, in, colour);
        } else {
            builder.UseTexture();
            colour[0] = builder.NamedOperand("TX.x");
            colour[1] = builder.NamedOperand("TX.y");
            colour[2] = builder.NamedOperand("TX.z");
        }
        EmitLitColour(builder, colour[0], colour[1], colour[2]);
    });
}

std::string BuildHSVFragmentProgram(ProgramConstantTrees* parameters, const FormulaNode* hue,
                                    const FormulaNode* saturation, const FormulaNode* value,
                                    const FormulaNode* condition, DocState* doc, bool hsvOut)
{
    return BuildSafely(parameters, doc, [&](FragmentProgramBuilder& builder) {
        EmitCondition(builder, condition, doc);
        const int32_t h = builder.CompileNode(hue);
        const int32_t s = builder.CompileNode(saturation);
        const int32_t v = builder.CompileNode(value);
        const int32_t d = builder.NewTemp();
        if (hsvOut) {
            builder.Emit("MOV_SAT", d, v);
            builder.Emit("FRC", builder.NamedOperand("result.color.x"), h);
            builder.Emit("MOV", builder.NamedOperand("result.color.y"), s);
            builder.Emit("MUL", builder.NamedOperand("result.color.z"), v,
                         builder.NamedOperand("fragment.color.primary.z"));
            builder.Emit("MOV", builder.NamedOperand("result.color.w"), builder.ConstantOperand(1));
            return;
        }
        const int32_t g = builder.NewTemp(), b = builder.NewTemp();
        builder.EmitHSVToRGB(d, g, b, h, s, v);
        int32_t colour[3];
        EmitSaturated(builder, {d, g, b}, colour);
        EmitLitColour(builder, colour[0], colour[1], colour[2]);
    });
}
