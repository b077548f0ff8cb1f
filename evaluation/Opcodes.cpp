#include "evaluation/Opcodes.h"

namespace {

constexpr OpcodeInfo Plain(int8_t effect)
{
    return {OperandForm::None, StackRule::Fixed, effect};
}
constexpr OpcodeInfo WithA(int8_t effect)
{
    return {OperandForm::A, StackRule::Fixed, effect};
}
constexpr OpcodeInfo WithAB(int8_t effect)
{
    return {OperandForm::AB, StackRule::Fixed, effect};
}
constexpr OpcodeInfo Chain{OperandForm::A, StackRule::OneMinusN, 0};
constexpr OpcodeInfo Unary = Plain(0);
constexpr OpcodeInfo Binary = Plain(-1);
constexpr OpcodeInfo Ending{OperandForm::None, StackRule::Ends, 0};

}  // namespace

const OpcodeInfo OpcodeTable[kOpcodeCount] = {
    {OperandForm::Number, StackRule::Fixed, 1},  // 0 push number
    WithA(1), WithA(1), WithA(1),                // 1-3 loads
    WithA(0), WithA(0),                          // 4-5 stores
    Plain(0), Plain(-1),                         // 6 swap, 7 drop
    WithA(1), WithA(1), WithA(1), WithA(1),      // 8-11 parts and constants
    Binary, Plain(0), Binary, Binary, Binary,    // 12-16
    Binary, Binary, Binary,                      // 17 angle, 18 hypot, 19 interval
    Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary,  // 20-28
    Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary,  // 29-40
    Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary, Unary,  // 41-52
    Chain, Chain, Chain, Chain, Chain,           // 53-57 relation chains
    Binary, Chain, Binary,                       // 58 text =, 59 chain of !=, 60 text !=
    Binary, Binary, Unary,                       // 61 and, 62 or, 63 not
    Plain(-2), Binary, Unary, Unary, Binary,     // 64 rational power, 65 Bessel, 66, 67, 68 if
    {OperandForm::A, StackRule::OneMinusTwoN, 0},  // 69 branch
    Unary, Unary, Unary, Unary, Unary, Unary,    // 70-75
    Plain(1),                                    // 76 imaginary unit
    Binary, Binary, Binary, Plain(-2), Binary,   // 77 mod, 78 min, 79 max, 80 clamp, 81 binomial
    Ending,                                      // 82
    WithA(0), WithA(-1),                         // 83, 84 table functions
    {OperandForm::AB, StackRule::OneMinusN, 0},  // 85 user function call
    WithAB(0), WithAB(0), WithAB(0),             // 86-88 branch labels
    WithA(-1),                                   // 89 store and drop
    WithAB(0), WithAB(0),                        // 90, 91 loop test and end
    WithA(0), WithA(0),                          // 92, 93 range guards
    Plain(0), WithA(0),                          // 94 restore row, 95 row from counter
    Plain(-2), Plain(-2), Binary, Binary,        // 96-99 aggregate steps
    WithAB(2), WithAB(2),                        // 100, 101 aggregate starts
    Binary,                                      // 102 select row
    Ending,                                      // 103
};

int32_t StaticStackEffect(int32_t opcode, int32_t a)
{
    if (opcode < 0 || opcode >= kOpcodeCount)
        return 0;
    const OpcodeInfo& info = OpcodeTable[opcode];
    switch (info.rule) {
    case StackRule::Fixed:
        return info.effect;
    case StackRule::OneMinusN:
        return 1 - a;
    case StackRule::OneMinusTwoN:
        return 1 - 2 * a;
    case StackRule::Ends:
        return 0;
    }
    return 0;
}
