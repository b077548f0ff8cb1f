#include "evaluation/PointCode.h"

#include "CoreUtilities/GrowArray.h"
#include "evaluation/BytecodeProgram.h"
#include "numerics/RealLibrary.h"

#include <algorithm>

namespace {

// One instruction of the point code while it is being made: a word, and for
// two-word forms the second word, which holds an operand only (a number, or
// a slot in a), its opcode doing nothing.
struct Fused {
    Instruction word;
    Instruction second;
    bool hasNext;
};

// Where an operand form takes its operand, in the order of the fused
// opcode families (Number, Slot, Local, Constant).
enum OperandKind : int32_t { kNumber, kSlot, kLocal, kConstant, kNotOperand };

// The kind of value a push instruction pushes.
OperandKind PushedOperand(const Instruction& instruction)
{
    switch (instruction.opcode) {
    case OpPushNumber: return kNumber;
    case OpLoadSlot: return kSlot;
    case OpLoadLocal: return kLocal;
    case OpLoadConstant: return kConstant;
    default: return kNotOperand;
    }
}

// The place of an operation in each family of four: add, subtract,
// multiply, divide; -1 for any other.
int32_t FamilyPlace(int32_t opcode)
{
    switch (opcode) {
    case OpAdd: return 0;
    case OpMultiply: return 2;
    case OpDivide: return 3;
    default: return -1;
    }
}

bool IsOperandForm(int32_t opcode, OperandKind kind, int32_t place)
{
    return opcode == OpAddNumber + 4 * kind + place;
}

Instruction Word(int32_t opcode, int32_t a, int32_t b)
{
    Instruction word{};
    word.opcode = opcode;
    word.arg.a = a;
    word.arg.b = b;
    return word;
}

// The second word of a two-word form.
Instruction NumberWord(double number)
{
    Instruction word{};
    word.opcode = OpNop;
    word.number = number;
    return word;
}

// The operand of an operand form taken from the push it replaces.
Instruction OperandForm(const Instruction& push, int32_t opcode)
{
    Instruction word = push;
    word.opcode = opcode;
    return word;
}

int32_t FusedStackEffect(int32_t op);

// The first instruction of the code that pushes the value on top after the
// list's last instruction: where the values the code needs, counted back
// from that top, come to none. -1 past a bound, for code that reaches
// beneath its own values (a swap) or that stores (a store may write the
// slot a moved load reads).
int32_t StartOfTopValue(const GrowArray<Fused>& list, int32_t last)
{
    constexpr int32_t kFarthest = 64;
    int64_t need = 1;
    for (int32_t i = last; i >= 0 && i > last - kFarthest; --i) {
        const Instruction& word = list[i].word;
        int32_t op = word.opcode;
        if (op == OpSwap || op == OpStoreSlot || op == OpStoreLocal)
            return -1;
        int32_t effect = op >= kOpcodeCount ? FusedStackEffect(op) : StaticStackEffect(op, word.arg.a);
        // Only a push that takes nothing may add a value: every other
        // instruction takes its operands from what is counted.
        bool push = PushedOperand(word) != kNotOperand || op == OpLoadParameter || op == OpImaginaryUnit ||
                    (op >= OpSlotAddNumber && op <= OpSlotDivideSlot) || (op >= OpSquareSlot && op <= OpSqrtSlot);
        if (effect > 0 && !push)
            return -1;
        need -= effect;
        if (need == 0)
            return i;
    }
    return -1;
}

// number or slot, then code that pushes one value, then the operation of
// the family place: the code first, then the operation with the number or
// slot as its left operand. The number or slot is read as before and the
// operation rounds as before; only the push waits no more.
bool MoveLeftOperand(GrowArray<Fused>& list, int32_t place)
{
    int32_t n = list.count;
    int32_t start = StartOfTopValue(list, n - 2);
    if (start < 1 || start > n - 3)
        return false;  // no code between, or a single push the operand rules take
    Fused left = list[start - 1];
    OperandKind kind = PushedOperand(left.word);
    if (left.hasNext || (kind != kNumber && kind != kSlot))
        return false;
    for (int32_t i = start; i < n - 1; ++i)
        list[i - 1] = list[i];
    list[n - 2] = Fused{OperandForm(left.word, (kind == kNumber ? OpNumberAdd : OpSlotAdd) + place), {}, false};
    --list.count;
    return true;
}

// Fuses the last instructions of the list into one where a rule allows;
// true when it did. Each rule keeps every rounded operation of the code it
// replaces, in its order.
bool FuseTail(GrowArray<Fused>& list)
{
    int32_t n = list.count;
    if (n < 2)
        return false;
    Fused& last = list[n - 1];
    Fused& prev = list[n - 2];
    int32_t op = last.word.opcode;
    OperandKind prevKind = PushedOperand(prev.word);

    // x, negate, add is a subtraction; with x pushed just before, one of x.
    if (op == OpAdd && prev.word.opcode == OpNegate) {
        if (n >= 3 && PushedOperand(list[n - 3].word) != kNotOperand) {
            Fused& pushed = list[n - 3];
            pushed.word = OperandForm(pushed.word, OpAddNumber + 4 * PushedOperand(pushed.word) + 1);
            list.count -= 2;
            return true;
        }
        prev.word = Word(OpSubtract, 0, 0);
        --list.count;
        return true;
    }
    // A pushed operand taken at once by an operation.
    if (FamilyPlace(op) >= 0 && prevKind != kNotOperand) {
        prev.word = OperandForm(prev.word, OpAddNumber + 4 * prevKind + FamilyPlace(op));
        --list.count;
        return true;
    }
    if (op == OpPower && prevKind == kNumber) {
        double exponent = prev.word.number;
        prev.word = IsSmallWholeExponent(exponent) ? Word(OpWholePower, static_cast<int32_t>(exponent), 0)
                                                   : OperandForm(prev.word, OpPowerNumber);
        --list.count;
        return true;
    }
    // number, slot, add or multiply: the slot first, so that it joins the
    // number as one instruction (both operands are taken at once, and the
    // two orders round alike).
    if ((IsOperandForm(op, kSlot, 0) || IsOperandForm(op, kSlot, 2)) && prev.word.opcode == OpPushNumber) {
        double number = prev.word.number;
        prev.word = Word(OpLoadSlot, last.word.arg.a, 0);
        last.word.opcode = op - 4 * kSlot + 4 * kNumber;
        last.word.number = number;
        return true;
    }
    if (prev.word.opcode == OpLoadSlot) {
        int32_t slot = prev.word.arg.a;
        for (int32_t place = 0; place < 4; ++place) {
            if (IsOperandForm(op, kNumber, place)) {
                prev = Fused{Word(OpSlotAddNumber + place, slot, 0), NumberWord(last.word.number), true};
                --list.count;
                return true;
            }
            if (IsOperandForm(op, kSlot, place)) {
                prev.word = Word(OpSlotAddSlot + place, slot, last.word.arg.a);
                --list.count;
                return true;
            }
        }
        // The operations on a slot that push their value, by the unary
        // opcode they stand for.
        constexpr int32_t kSlotUnary[][2] = {{OpSquare, OpSquareSlot}, {OpAbs, OpAbsSlot}, {OpSqrt, OpSqrtSlot}};
        for (const auto& [unary, fused] : kSlotUnary) {
            if (op == unary) {
                prev.word = Word(fused, slot, 0);
                --list.count;
                return true;
            }
        }
    }
    // A push of slot op slot, or of a function of a slot, taken at once by an
    // operation; a subtraction is the one fused before.
    int32_t outer = op == OpSubtract ? 1 : FamilyPlace(op);
    if (outer >= 0 && prev.word.opcode >= OpSlotAddSlot && prev.word.opcode <= OpSlotDivideSlot) {
        prev.word.opcode = OpAddSlotAddSlot + 4 * outer + (prev.word.opcode - OpSlotAddSlot);
        --list.count;
        return true;
    }
    if (outer >= 0 && prev.word.opcode >= OpSquareSlot && prev.word.opcode <= OpSqrtSlot) {
        prev.word.opcode = OpAddSquareSlot + 3 * outer + (prev.word.opcode - OpSquareSlot);
        --list.count;
        return true;
    }
    // A slot pushed, and then a slot pair taken by an operation: one push of
    // the slot op the pair, the slot in the second word.
    if (op >= OpAddSlotAddSlot && op <= OpDivideSlotDivideSlot && prev.word.opcode == OpLoadSlot) {
        prev = Fused{Word(OpSlotAddSlotAddSlot + (op - OpAddSlotAddSlot), last.word.arg.a, last.word.arg.b),
                     Word(OpNop, prev.word.arg.a, 0), true};
        --list.count;
        return true;
    }
    if (IsOperandForm(op, kNumber, 0) && IsOperandForm(prev.word.opcode, kSlot, 2)) {
        prev = Fused{Word(OpMultiplySlotAddNumber, prev.word.arg.a, 0), NumberWord(last.word.number), true};
        --list.count;
        return true;
    }
    return outer >= 0 && MoveLeftOperand(list, outer);
}

bool IsSlotOfPairForm(int32_t op)
{
    return op >= OpSlotAddSlotAddSlot && op <= OpSlotDivideSlotDivideSlot;
}

// Operand check for the fused opcodes; the generated ones go through the
// program check's own.
bool FusedOperandsValid(const Instruction& word)
{
    int32_t op = word.opcode;
    int32_t a = word.arg.a;
    if (op == OpWholePower)
        return IsSmallWholeExponent(a);
    if ((op >= OpSlotAddSlot && op <= OpSlotDivideSlot) || (op >= OpAddSlotAddSlot && op <= OpDivideSlotDivideSlot) ||
        IsSlotOfPairForm(op))
        return a >= 0 && a < kLocalBase && word.arg.b >= 0 && word.arg.b < kLocalBase;
    if ((op >= OpNumberAdd && op <= OpNumberDivide) || (op >= OpAddThenEnd && op <= OpDivideNumberThenEnd) ||
        op == OpSqrtThenEnd || op == OpAbsThenEnd)
        return true;
    if ((op >= OpAddSlot && op <= OpDivideSlot) || op >= OpSlotAddNumber)
        return a >= 0 && a < kLocalBase;
    if (op >= OpAddLocal && op <= OpDivideConstant)
        return a >= 0 && a <= INT32_MAX - 2;
    return true;
}

// Stack effect and length in words of a fused opcode.
// The opcode a last instruction takes before the end; none where it has no
// such form.
constexpr int32_t kThenEndForms[][2] = {
    {OpAdd, OpAddThenEnd},
    {OpSubtract, OpSubtractThenEnd},
    {OpMultiply, OpMultiplyThenEnd},
    {OpDivide, OpDivideThenEnd},
    {OpAddNumber, OpAddNumberThenEnd},
    {OpSubtractNumber, OpSubtractNumberThenEnd},
    {OpMultiplyNumber, OpMultiplyNumberThenEnd},
    {OpDivideNumber, OpDivideNumberThenEnd},
    {OpAddSlot, OpAddSlotThenEnd},
    {OpSubtractSlot, OpSubtractSlotThenEnd},
    {OpMultiplySlot, OpMultiplySlotThenEnd},
    {OpDivideSlot, OpDivideSlotThenEnd},
    {OpMultiplySlotAddNumber, OpMultiplySlotAddNumberThenEnd},
    {OpSqrt, OpSqrtThenEnd},
    {OpAbs, OpAbsThenEnd},
};

bool IsThenEndForm(int32_t op)
{
    return op >= OpAddThenEnd && op <= OpAbsThenEnd;
}

int32_t FusedStackEffect(int32_t op)
{
    if (op == OpSubtract || (op >= OpAddThenEnd && op <= OpDivideThenEnd))
        return -1;
    if (IsSlotOfPairForm(op))
        return 1;
    if (op >= OpSlotAddNumber && op <= OpSlotDivideSlot)
        return 1;
    return op >= OpSquareSlot && op <= OpSqrtSlot ? 1 : 0;
}

int32_t FusedLength(int32_t op)
{
    return (op >= OpSlotAddNumber && op <= OpSlotDivideNumber) || op == OpMultiplySlotAddNumber ||
                   op == OpMultiplySlotAddNumberThenEnd || IsSlotOfPairForm(op)
               ? 2
               : 1;
}

}  // namespace

bool IsStraightLineOpcode(int32_t opcode)
{
    if (opcode < 0 || opcode >= kOpcodeCount)
        return false;
    switch (opcode) {
    case OpLoadXPart:
    case OpLoadYPart:
    case OpLoadZPart:
    case OpBranch:
    case OpCallUser: return false;
    default: return opcode < OpLabel || opcode > OpSelectRow;
    }
}

bool IsLeafPointOpcode(int32_t opcode)
{
    switch (opcode) {
    case OpPushNumber:
    case OpLoadSlot:
    case OpLoadLocal:
    case OpStoreSlot:
    case OpStoreLocal:
    case OpSwap:
    case OpDrop:
    case OpLoadConstant:
    case OpAdd:
    case OpNop:
    case OpMultiply:
    case OpDivide:
    case OpNegate:
    case OpAbs:
    case OpSign:
    case OpSqrt:
    case OpSquare:
    case OpFloor:
    case OpCeil:
    case OpImag:
    case OpArg:
    case OpEnd: return true;
    default: return opcode >= kOpcodeCount && opcode < kAllOpcodeCount && opcode != OpPowerNumber;
    }
}

bool VerifyPointCode(const Instruction* code, int32_t count, int32_t maxStack)
{
    if (count < 1 || code[count - 1].opcode != OpEnd || maxStack < 1 ||
        static_cast<int64_t>(maxStack) + 2 > kLeanStackBytes / static_cast<int32_t>(sizeof(double)))
        return false;
    int64_t depth = 0;
    for (int32_t i = 0; i < count;) {
        const Instruction& word = code[i];
        int32_t op = word.opcode;
        bool fused = op >= kOpcodeCount && op < kAllOpcodeCount;
        if (!fused && !(IsStraightLineOpcode(op) && InstructionOperandsValid(word)))
            return false;
        if (fused && (!FusedOperandsValid(word) || i + FusedLength(op) >= count))
            return false;
        if (IsThenEndForm(op) && i + FusedLength(op) != count - 1)
            return false;
        if (IsSlotOfPairForm(op) && (code[i + 1].arg.a < 0 || code[i + 1].arg.a >= kLocalBase))
            return false;
        if (op == OpEnd)
            return i == count - 1 && depth <= 1;
        depth += fused ? FusedStackEffect(op) : StaticStackEffect(op, word.arg.a);
        if (depth < 0 || depth >= maxStack)
            return false;
        i += fused ? FusedLength(op) : 1;
    }
    return false;
}

void PreparePointRuns(BytecodeProgram* program)
{
    program->pointCode.Clear();
    program->pointLeaf = 0;
    const Instruction* code = program->instructions.storage;
    int32_t count = program->instructions.count;
    uint8_t straight = 1, constants = 0, row = 0, slider = 0;
    for (int32_t i = 0; i < count; ++i) {
        straight &= IsStraightLineOpcode(code[i].opcode) ? 1 : 0;
        constants |= code[i].opcode == OpLoadConstant ? 1 : 0;
        row |= code[i].opcode == OpLoadParameter ? 1 : 0;
        slider |= code[i].opcode == OpLoadSlot && code[i].arg.a == SlotSlider ? 1 : 0;
    }
    program->straightLine = straight;
    program->readsConstants = constants;
    program->readsRow = row;
    program->readsSlider = slider;
    if (!straight)
        return;

    GrowArray<Fused> list{};
    bool ok = true;
    for (int32_t i = 0; i < count && ok; ++i) {
        ok = list.Push(Fused{code[i], {}, false}) == 0;
        while (ok && FuseTail(list)) {
        }
    }
    if (ok && list.count >= 2) {
        Instruction& last = list[list.count - 2].word;
        for (const auto& [op, thenEnd] : kThenEndForms) {
            if (last.opcode == op)
                last.opcode = thenEnd;
        }
    }
    GrowArray<Instruction> words{};
    for (int32_t i = 0; i < list.count && ok; ++i) {
        ok = words.Push(list[i].word) == 0;
        if (ok && list[i].hasNext)
            ok = words.Push(list[i].second) == 0;
    }
    list.Clear();
    if (ok && VerifyPointCode(words.storage, words.count, program->maxStack)) {
        program->pointCode = words;
        // Second words are never dispatched: their opcode is a no-op.
        program->pointLeaf = std::all_of(words.storage, words.storage + words.count,
                                         [](const Instruction& word) { return IsLeafPointOpcode(word.opcode); });
    } else {
        words.Clear();
    }
}
