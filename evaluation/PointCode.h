// The real point interpreter's own form of a straight-line program: the
// same computation with the commonest pairs and triples of instructions
// fused into one, so that a point run dispatches fewer instructions. Made
// once when a program is finished and checked like the program itself.
// Every other interpreter runs the program as generated.
//
// A fused instruction computes exactly what the instructions it replaces
// computed, operation by operation in their order (a multiply-add rounds
// the product before the sum); only where both operands of an addition or a
// multiplication are taken at once may they trade places, which leaves the
// rounded result as it is.
#pragma once

#include "evaluation/Opcodes.h"

#include <cstdint>

struct BytecodeProgram;
struct Instruction;

// The fused opcodes, after the generated ones. "Operand" forms take
// top = top op operand, the operand being the value the replaced code
// pushed: a number (the double), slot a, local slot a or constant a.
// Subtraction stands for a negation and an addition.
enum PointOpcode : int32_t {
    OpAddNumber = kOpcodeCount,
    OpSubtractNumber,
    OpMultiplyNumber,
    OpDivideNumber,
    OpAddSlot,
    OpSubtractSlot,
    OpMultiplySlot,
    OpDivideSlot,
    OpAddLocal,
    OpSubtractLocal,
    OpMultiplyLocal,
    OpDivideLocal,
    OpAddConstant,
    OpSubtractConstant,
    OpMultiplyConstant,
    OpDivideConstant,
    OpPowerNumber,            // top = top ^ number
    OpSubtract,               // below - top
    // Push slot a op the number of the next instruction word.
    OpSlotAddNumber,
    OpSlotSubtractNumber,
    OpSlotMultiplyNumber,
    OpSlotDivideNumber,
    // Push slot a op slot b.
    OpSlotAddSlot,
    OpSlotSubtractSlot,
    OpSlotMultiplySlot,
    OpSlotDivideSlot,
    OpMultiplySlotAddNumber,  // top = top * slot a + the number of the next word
    OpSquareSlot,             // push slot a squared
    OpAbsSlot,                // push |slot a|
    OpSqrtSlot,               // push the square root of slot a
    // top = top op (slot a op' slot b): a push of slot a op' slot b taken at
    // once by an operation. Four of op, each with four of op'.
#define VL_SLOT_PAIR_OPCODES(Outer) \
    Op##Outer##SlotAddSlot, Op##Outer##SlotSubtractSlot, Op##Outer##SlotMultiplySlot, Op##Outer##SlotDivideSlot,
    VL_SLOT_PAIR_OPCODES(Add) VL_SLOT_PAIR_OPCODES(Subtract) VL_SLOT_PAIR_OPCODES(Multiply)
    VL_SLOT_PAIR_OPCODES(Divide)
#undef VL_SLOT_PAIR_OPCODES
    // top = top op f(slot a): a push of the square, absolute value or square
    // root of a slot taken at once by an operation.
#define VL_SLOT_UNARY_OPCODES(Outer) Op##Outer##SquareSlot, Op##Outer##AbsSlot, Op##Outer##SqrtSlot,
    VL_SLOT_UNARY_OPCODES(Add) VL_SLOT_UNARY_OPCODES(Subtract) VL_SLOT_UNARY_OPCODES(Multiply)
    VL_SLOT_UNARY_OPCODES(Divide)
#undef VL_SLOT_UNARY_OPCODES
    // top = top ^ a, a a whole number the real power multiplies out
    // (SmallWholePower): a power of a number operand that calls nothing.
    OpWholePower,
    // top = operand op top, the operand a number or slot a: the push of a
    // left operand moved past the right one it waited under. Four of op in
    // the family order, for numbers and then for slots.
    OpNumberAdd,
    OpNumberSubtract,
    OpNumberMultiply,
    OpNumberDivide,
    OpSlotAdd,
    OpSlotSubtract,
    OpSlotMultiply,
    OpSlotDivide,
    // The last instruction before the end, and then the end: the run returns
    // from the instruction without one more dispatch. The end word stays.
    OpAddThenEnd,
    OpSubtractThenEnd,
    OpMultiplyThenEnd,
    OpDivideThenEnd,
    OpAddNumberThenEnd,
    OpSubtractNumberThenEnd,
    OpMultiplyNumberThenEnd,
    OpDivideNumberThenEnd,
    OpAddSlotThenEnd,
    OpSubtractSlotThenEnd,
    OpMultiplySlotThenEnd,
    OpDivideSlotThenEnd,
    OpMultiplySlotAddNumberThenEnd,
    OpSqrtThenEnd,
    OpAbsThenEnd,
    // Push slot c op (slot a op' slot b), c in the second word: a slot pushed
    // and then a slot pair taken by an operation. Four of op, each with four
    // of op'.
#define VL_SLOT_OF_PAIR_OPCODES(Outer)                                                                  \
    OpSlot##Outer##SlotAddSlot, OpSlot##Outer##SlotSubtractSlot, OpSlot##Outer##SlotMultiplySlot, \
        OpSlot##Outer##SlotDivideSlot,
    VL_SLOT_OF_PAIR_OPCODES(Add) VL_SLOT_OF_PAIR_OPCODES(Subtract) VL_SLOT_OF_PAIR_OPCODES(Multiply)
    VL_SLOT_OF_PAIR_OPCODES(Divide)
#undef VL_SLOT_OF_PAIR_OPCODES
    kPointOpcodeEnd,
};

constexpr int32_t kAllOpcodeCount = kPointOpcodeEnd;

// Value-stack cells a point run takes from its own small frame; a
// straight-line program whose stack needs more runs as generated.
constexpr int32_t kLeanStackBytes = 256;

// Whether the opcode may stand in a straight-line program: it neither jumps
// nor loops, calls no user function, keeps no row stack and reads no grid.
bool IsStraightLineOpcode(int32_t opcode);

// Whether the real point interpreter's handler of the opcode (generated or
// fused) calls nothing: a program of such opcodes runs as a leaf.
bool IsLeafPointOpcode(int32_t opcode);

// Sets the program's straight-line flag and what its runs read (constants,
// the data row, the slider slot), and makes its point code when it is
// straight-line, with its leaf flag; a point code that fails its check is
// dropped. For a
// finished program that passed VerifyProgram.
void PreparePointRuns(BytecodeProgram* program);

// Checks point code as VerifyProgram checks a program: every opcode one a
// straight-line program may hold or a fused one, operands in range, each
// two-word instruction whole, the static depth within maxStack, and the
// last word an end that finds at most one value.
bool VerifyPointCode(const Instruction* code, int32_t count, int32_t maxStack);
