// The run loop of the four point and box interpreters (real, complex,
// interval, complex interval): value stack, branches and labels, loops and
// their guards, row aggregates, user-function calls, the early end and the
// stop checks, over a value type whose arithmetic a policy supplies.
//
// Included by an interpreter source after every other header: it opens the
// instruction set of the build (InterpreterTarget.h), so that the loop and
// the policies defined after it take that set while shared inline code stays
// baseline code. A V3 source closes the set at its end. The loop lives in the
// build's namespace, and so do the policies.
//
// The policy Arith provides:
//   Value; kUndefined, kZero, kOne, kTrue
//   kEndsOnUndefined      whether an undefined value on top of a non-empty
//                         stack ends the run (outside branches and aggregates)
//   IsUndefined(v), Equals(a, b)            NaN never equal
//   Number(d), Parameter(c), Constant(c)    opcodes 0, 3 and 11
//   Row(v)                                  a value as a data row
//   kUnary[op](top), kBinary[op](below, top)   the arithmetic opcodes; an
//                         opcode in neither table does nothing
//   InlineUnary(op)       the unary operation makes no call (real values
//                         then stay in registers over it)
//   Relation(op, lower, upper), And, Or, Not, Union
//   RationalPower(base, p, q), ImaginaryUnit()
//   LoopStep(counter, limit)   kLoopBody, kLoopDone or kLoopTooLong
//   Guard(op, top)        top where the guarded term may be absent
//   Table1(id, x, doc), Table2(id, a, b, doc)
//   RunNested(program, frame, control), Exit(top)
//   kRunsPointCode        the policy's lean runs take fused point code
//                         (PointCode.h)
//   Subtract(a, b)        optional: a subtraction exactly as an added
//                         negation rounds, for the fused forms
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/BranchLabel.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/PointCode.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunctionCall.h"

#include <alloca.h>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "evaluation/InterpreterTarget.h"

namespace VL_INTERPRETER_BUILD {

// What a loop test decides.
enum LoopStepResult { kLoopBody, kLoopDone, kLoopTooLong };

// The policy's arithmetic opcodes by number; null where an opcode is not
// one of them.
template <typename Function>
struct OpcodeFunctions {
    Function entries[kOpcodeCount] = {};
    constexpr Function operator[](int32_t opcode) const { return entries[opcode]; }
};
// Value-stack cells a run holds in its own frame.
template <typename Value>
constexpr int32_t kFewCells = std::max<int32_t>(8, kLeanStackBytes / sizeof(Value));

namespace interpreter_loop {

// A run that ends before its end writes undefined into every slot the rest
// of the program would have stored: a later program of the batch reads the
// computed slots and shared subexpressions, and must find this point's
// undefined value there, not the last point's.
template <typename Arith>
void ForgetLaterStores(const Instruction* pc, typename Arith::Value* frame, typename Arith::Value* locals)
{
    for (; pc->opcode != OpEnd; ++pc) {
        if (pc->opcode == OpStoreSlot)
            frame[pc->arg.a] = Arith::kUndefined;
        else if (pc->opcode == OpStoreLocal)
            locals[pc->arg.a] = Arith::kUndefined;
    }
}

// The relation chain over values[0 .. n-2] and top: the pairs' truth values
// combined with And, from the top pair down.
template <typename Arith>
typename Arith::Value Chain(int32_t opcode, const typename Arith::Value* values, int32_t n,
                            typename Arith::Value top)
{
    typename Arith::Value result = Arith::kTrue;
    typename Arith::Value upper = top;
    for (int32_t i = n - 2; i >= 0; --i) {
        result = Arith::And(Arith::Relation(opcode, values[i], upper), result);
        upper = values[i];
    }
    return result;
}

// The piecewise choice over n (condition, value) pairs at pairs[0 .. 2n-2]
// and top, the last pair taken first. A true condition overrides every pair
// written after it; any other condition that is neither false nor undefined
// chooses only when no later pair holds, and otherwise joins its value to
// the result (which leaves a point value undefined).
template <typename Arith>
typename Arith::Value Piecewise(const typename Arith::Value* pairs, int32_t n, typename Arith::Value top)
{
    typename Arith::Value result = Arith::kUndefined;
    typename Arith::Value acc = Arith::kZero;
    for (int32_t j = n - 1; j >= 0; --j) {
        typename Arith::Value c = pairs[2 * j];
        typename Arith::Value v = j == n - 1 ? top : pairs[2 * j + 1];
        if (Arith::IsUndefined(c) || Arith::Equals(c, Arith::kZero))
            continue;  // acc Or false leaves acc as it is
        if (Arith::Equals(acc, Arith::kZero) || Arith::Equals(c, Arith::kTrue))
            result = v;
        else
            result = Arith::Union(result, v);
        acc = Arith::Or(acc, c);
    }
    return result;
}

// The aggregate steps take a defined value with a weight that is defined
// and not zero.
template <typename Arith>
bool Counts(const typename Arith::Value& weight, const typename Arith::Value& value)
{
    return !Arith::IsUndefined(weight) && !Arith::Equals(weight, Arith::kZero) && !Arith::IsUndefined(value);
}

// The first value is taken as it is; from then on the running max and min
// take the larger and the smaller one.
template <typename Arith>
void AddToMinMax(typename Arith::Value& max, typename Arith::Value& min, const typename Arith::Value& value)
{
    constexpr auto maxOf = Arith::kBinary[OpMax];
    constexpr auto minOf = Arith::kBinary[OpMin];
    max = Arith::IsUndefined(max) ? value : maxOf(max, value);
    min = Arith::IsUndefined(min) ? value : minOf(min, value);
}

// Whether the loop counter of slot a certainly lies between start and limit.
template <typename Arith>
bool CertainlyInLoop(const typename Arith::Value* locals, int32_t a)
{
    return Arith::Equals(Arith::Relation(OpGeq, locals[a], locals[a + 2]), Arith::kTrue) &&
           Arith::Equals(Arith::Relation(OpLeq, locals[a], locals[a + 1]), Arith::kTrue);
}

// The loop test of box arithmetic: done only when the counter certainly
// passed the limit, the body only when certainly few enough steps remain.
// The policy gives kLoopStepCap and LoopPart, the part of a value a loop
// counts along.
template <typename Arith>
LoopStepResult StepByRelations(typename Arith::Value counter, typename Arith::Value limit)
{
    constexpr auto add = Arith::kBinary[OpAdd];
    constexpr auto negate = Arith::kUnary[OpNegate];
    counter = Arith::LoopPart(counter);
    limit = Arith::LoopPart(limit);
    if (Arith::Equals(Arith::Relation(OpGreater, counter, limit), Arith::kTrue))
        return kLoopDone;
    typename Arith::Value left = add(limit, negate(counter));
    return Arith::Equals(Arith::Relation(OpLeq, left, Arith::kLoopStepCap), Arith::kTrue) ? kLoopBody : kLoopTooLong;
}

template <typename Arith>
typename Arith::Value GridPart(const GridEvalState* grid, int32_t axis, int32_t a)
{
    int64_t cell = grid ? PartCell(*grid, axis, a) : -1;
    return cell < 0 ? Arith::kUndefined : static_cast<const typename Arith::Value*>(grid->parts)[cell];
}

// The four operations of the fused operand forms, each exactly as the
// instructions it stands for compute it.
template <typename Arith>
typename Arith::Value FusedAdd(typename Arith::Value a, typename Arith::Value b)
{
    constexpr auto add = Arith::kBinary[OpAdd];
    return add(a, b);
}
template <typename Arith>
typename Arith::Value FusedSubtract(typename Arith::Value a, typename Arith::Value b)
{
    if constexpr (requires { Arith::Subtract(a, b); }) {
        return Arith::Subtract(a, b);
    } else {
        constexpr auto add = Arith::kBinary[OpAdd];
        constexpr auto negate = Arith::kUnary[OpNegate];
        return add(a, negate(b));
    }
}
template <typename Arith>
typename Arith::Value FusedMultiply(typename Arith::Value a, typename Arith::Value b)
{
    constexpr auto multiply = Arith::kBinary[OpMultiply];
    return multiply(a, b);
}
template <typename Arith>
typename Arith::Value FusedDivide(typename Arith::Value a, typename Arith::Value b)
{
    constexpr auto divide = Arith::kBinary[OpDivide];
    return divide(a, b);
}

// x^n by the squares and products the real power takes for a small whole
// exponent (SmallWholePower), bit for bit.
template <typename Arith>
typename Arith::Value FusedWholePower(typename Arith::Value x, uint32_t n)
{
    constexpr auto multiply = Arith::kBinary[OpMultiply];
    typename Arith::Value p = Arith::kOne;
    typename Arith::Value square = x;
    for (;;) {
        if (n & 1)
            p = multiply(p, square);
        n >>= 1;
        if (n == 0)
            return p;
        square = multiply(square, square);
    }
}

}  // namespace interpreter_loop

// Runs code, the program's instructions or its point code, on the frame,
// under the control given; a lean run without one is a run of its own
// under the program's stop request.
// A lean run is one of a straight-line program whose value stack fits the
// run's own cells (PointCode.h): it needs no row stack, no other stack and
// none of the jumping, looping and calling opcodes, which it leaves out.
// Superword vectorisation would pack top and
// below into one vector register and unpack them at every instruction; the
// merging of equal instruction tails (and global common subexpressions)
// would fold the handlers' own dispatch jumps into one shared jump, which
// predicts the next handler far worse.
#if defined(__clang__)
#define VL_RUN_LOOP_OPTIONS
#else
#define VL_RUN_LOOP_OPTIONS \
    __attribute__((optimize("no-tree-slp-vectorize", "no-crossjumping", "no-tree-tail-merge", "no-gcse")))
#endif
// Each run's table leaves some handlers out.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-label"
// A leaf run is a lean run of point code that holds no opcode whose handler
// calls out (PointCode.h) and whose constants, if it reads any, are current:
// the run then calls nothing, and keeps its state in registers the calling
// convention leaves free, with nothing to save at its entry and exit.
template <typename Arith, bool kLean, bool kLeaf = false>
VL_RUN_LOOP_OPTIONS typename Arith::Value RunCode(const BytecodeProgram* program, const Instruction* const code,
                                                  typename Arith::Value* frame, const GridEvalState* grid,
                                                  RunControl* control)
{
    using Value = typename Arith::Value;
    using namespace interpreter_loop;

    Value* const locals = frame + program->localBase;
    const ComplexValue* constants = nullptr;
    CompileContext* context = program->readsConstants ? program->context : nullptr;
    if (__builtin_expect(context != nullptr, 0)) {
        // Once the values are current every run reads them without a call.
        if (context->constantsReady.load(std::memory_order_acquire) && context->table) {
            if (context->table->values.count > 0)
                constants = context->table->values.storage;
        } else if constexpr (kLeaf) {
            // Making the constants calls out: the run goes the lean way.
            return RunCode<Arith, true>(program, code, frame, grid, control);
        } else {
            RunControl own{&program->stopRequested, false};
            RunControl& run = control ? *control : own;
            constants = context->GetConstants(run);
            if (run.stopped)
                return Arith::kUndefined;
        }
    }

    // Most programs need a few cells: those come from this frame without a
    // test, since the machine stack always has room for a small frame (a
    // nested call makes sure of 64 KiB before it runs).
    // Beside the maxStack cells of the program (VerifyProgram holds it to
    // them), two more let the run spill top and below at the deepest point.
    // A lean run always fits them.
    Value fewCells[kFewCells<Value>];
    void* heapCells = nullptr;
    Value* cells = fewCells;
    if constexpr (!kLean) {
        int64_t cellCount = static_cast<int64_t>(std::max(program->maxStack, 1)) + 2;
        uint32_t stackBytes = static_cast<uint32_t>(std::min<int64_t>(cellCount * sizeof(Value), UINT32_MAX));
        if (cellCount <= kFewCells<Value>) {
        } else if (HasStackRoom(stackBytes)) {
            cells = static_cast<Value*>(alloca(stackBytes));
        } else {
            heapCells = BudgetMalloc(stackBytes, false);
            cells = static_cast<Value*>(heapCells);
            if (!cells) {
                ForgetLaterStores<Arith>(code, frame, locals);
                return Arith::kUndefined;
            }
        }
    }
    GrowArray<int32_t> savedRows{};
    Value result = Arith::kUndefined;

    // Kept in registers: nothing the run calls can change them.
    const std::atomic<unsigned char>* stopRequest = control ? control->stopRequest : &program->stopRequested;
    const DocState* doc = program->doc;
    const Instruction* pc = code;

    // The two values on top of the stack live apart from the cells. A binary
    // operation then waits only for its arithmetic, not for a store and a
    // load of the same cell. Before the first instruction top is undefined;
    // below stands for the empty stack beneath it. sp is the first free cell
    // beneath below, so the stack holds values beneath top exactly when sp is
    // past the first cell.
    Value top = Arith::kUndefined;
    Value below = Arith::kUndefined;
    Value* sp = cells;
    // The row matters only to parameter loads.
    int32_t row = !kLeaf && program->readsRow ? Arith::Row(frame[SlotDataRow]) : 0;

// Ends the run with a value.
#define VL_END(value)     \
    do {                  \
        result = (value); \
        goto done;        \
    } while (0)
// Pushes a value: below goes to a cell, top to below.
#define VL_PUSH(value)          \
    do {                        \
        Value pushed = (value); \
        *sp++ = below;          \
        below = top;            \
        top = pushed;           \
    } while (0)
// The same for a value that takes a call: registers do not survive calls,
// so top and below wait in cells while it runs. Keeping every call free of
// live values is what lets the compiler hold top and below in registers.
#define VL_PUSH_CALL(value)     \
    do {                        \
        *sp++ = below;          \
        *sp = top;              \
        Value pushed = (value); \
        below = *sp;            \
        top = pushed;           \
    } while (0)
// A two-operand opcode: top becomes the result of below and top. Both are
// consumed by the operation, so it may call out.
#define VL_BINARY(value) \
    do {                 \
        top = (value);   \
        below = *--sp;   \
    } while (0)
// A one-operand opcode that calls out.
#define VL_UNARY_CALL(value) \
    do {                     \
        *sp++ = below;       \
        top = (value);       \
        below = *--sp;       \
    } while (0)

    // Threaded dispatch: every handler jumps straight to the next one. FULL
    // marks the opcodes a lean run never meets, FUSED those only point code
    // holds, CALLS those whose handlers call out (a leaf run never meets
    // them: PointCode.h), FUSED_CALLS both; a table leaves out what its run
    // never meets.
#define VL_HANDLER_TABLE(FULL, FUSED, CALLS, FUSED_CALLS)                                                          \
    &&OpPushNumber, &&OpLoadSlot, &&OpLoadLocal, CALLS(OpLoadParameter), &&OpStoreSlot, &&OpStoreLocal, &&OpSwap, \
        &&OpDrop, FULL(OpLoadXPart), FULL(OpLoadYPart), FULL(OpLoadZPart), &&OpLoadConstant, &&OpAdd, &&opNothing, \
        &&OpMultiply, &&OpDivide, CALLS(OpPower), CALLS(OpAngle), CALLS(OpHypot), CALLS(OpInterval), &&OpNegate,   \
        &&OpAbs, &&OpSign, &&OpSqrt, CALLS(OpExp), CALLS(OpLog10), CALLS(OpLn), CALLS(OpFactorial), &&OpSquare,    \
        CALLS(OpSin), CALLS(OpCos), CALLS(OpTan), CALLS(OpCot), CALLS(OpSec), CALLS(OpCsc), CALLS(OpAsin),         \
        CALLS(OpAcos), CALLS(OpAtan), CALLS(OpAcot), CALLS(OpAsec), CALLS(OpAcsc), CALLS(OpSinh), CALLS(OpCosh),   \
        CALLS(OpTanh), CALLS(OpCoth), CALLS(OpSech), CALLS(OpCsch), CALLS(OpAsinh), CALLS(OpAcosh),                \
        CALLS(OpAtanh), CALLS(OpAcoth), CALLS(OpAsech), CALLS(OpAcsch), CALLS(OpRelation), CALLS(OpRelation),      \
        CALLS(OpRelation), CALLS(OpRelation), CALLS(OpRelation), CALLS(OpTextEqual), CALLS(OpRelation),            \
        CALLS(OpTextNotEqual), CALLS(OpAnd), CALLS(OpOr), CALLS(OpNot), CALLS(OpRationalPower), CALLS(OpBesselJ),  \
        &&OpFloor, &&OpCeil, CALLS(OpIf), FULL(OpBranch), CALLS(OpReal), &&OpImag, CALLS(OpInf), CALLS(OpSup),     \
        &&OpArg, CALLS(OpConjugate), CALLS(OpImaginaryUnit), CALLS(OpMod), CALLS(OpMin), CALLS(OpMax),             \
        CALLS(OpClamp), CALLS(OpBinomial), CALLS(OpFail), CALLS(OpInterpolate1), CALLS(OpInterpolate2),            \
        FULL(OpCallUser), FULL(opNothing), FULL(OpSkipFalsePair), FULL(OpSkipRestPairs), FULL(OpStoreAndDrop),     \
        FULL(OpLoopTest), FULL(OpLoopEnd), FULL(OpGuard), FULL(OpGuard), FULL(OpRestoreRow),                       \
        FULL(OpRowFromCounter), FULL(OpAggregate), FULL(OpAggregate), FULL(OpAggregate), FULL(OpAggregate),        \
        FULL(OpBeginAggregate), FULL(OpBeginAggregate), FULL(OpSelectRow), &&OpEnd, FUSED(OpAddNumber),            \
        FUSED(OpSubtractNumber), FUSED(OpMultiplyNumber), FUSED(OpDivideNumber), FUSED(OpAddSlot),                 \
        FUSED(OpSubtractSlot), FUSED(OpMultiplySlot), FUSED(OpDivideSlot), FUSED(OpAddLocal),                      \
        FUSED(OpSubtractLocal), FUSED(OpMultiplyLocal), FUSED(OpDivideLocal), FUSED(OpAddConstant),                \
        FUSED(OpSubtractConstant), FUSED(OpMultiplyConstant), FUSED(OpDivideConstant), FUSED_CALLS(OpPowerNumber),\
        FUSED(OpSubtract), FUSED(OpSlotAddNumber), FUSED(OpSlotSubtractNumber), FUSED(OpSlotMultiplyNumber),      \
        FUSED(OpSlotDivideNumber), FUSED(OpSlotAddSlot), FUSED(OpSlotSubtractSlot), FUSED(OpSlotMultiplySlot),    \
        FUSED(OpSlotDivideSlot), FUSED(OpMultiplySlotAddNumber), FUSED(OpSquareSlot), FUSED(OpAbsSlot),             \
        FUSED(OpSqrtSlot), VL_SLOT_PAIR_ENTRIES(FUSED, Add), VL_SLOT_PAIR_ENTRIES(FUSED, Subtract),                \
        VL_SLOT_PAIR_ENTRIES(FUSED, Multiply), VL_SLOT_PAIR_ENTRIES(FUSED, Divide),                                \
        VL_SLOT_UNARY_ENTRIES(FUSED, Add), VL_SLOT_UNARY_ENTRIES(FUSED, Subtract),                                 \
        VL_SLOT_UNARY_ENTRIES(FUSED, Multiply), VL_SLOT_UNARY_ENTRIES(FUSED, Divide), FUSED(OpWholePower),      \
        VL_LEFT_OPERAND_ENTRIES(FUSED, Number), VL_LEFT_OPERAND_ENTRIES(FUSED, Slot), FUSED(OpAddThenEnd),         \
        FUSED(OpSubtractThenEnd), FUSED(OpMultiplyThenEnd), FUSED(OpDivideThenEnd), FUSED(OpAddNumberThenEnd),     \
        FUSED(OpSubtractNumberThenEnd), FUSED(OpMultiplyNumberThenEnd), FUSED(OpDivideNumberThenEnd),              \
        FUSED(OpAddSlotThenEnd), FUSED(OpSubtractSlotThenEnd), FUSED(OpMultiplySlotThenEnd),                       \
        FUSED(OpDivideSlotThenEnd), FUSED(OpMultiplySlotAddNumberThenEnd), FUSED(OpSqrtThenEnd), FUSED(OpAbsThenEnd), \
        VL_SLOT_OF_PAIR_ENTRIES(FUSED, Add), VL_SLOT_OF_PAIR_ENTRIES(FUSED, Subtract),                           \
        VL_SLOT_OF_PAIR_ENTRIES(FUSED, Multiply), VL_SLOT_OF_PAIR_ENTRIES(FUSED, Divide)
#define VL_SLOT_OF_PAIR_ENTRIES(FUSED, Outer)                                                                  \
    FUSED(OpSlot##Outer##SlotAddSlot), FUSED(OpSlot##Outer##SlotSubtractSlot), FUSED(OpSlot##Outer##SlotMultiplySlot), \
        FUSED(OpSlot##Outer##SlotDivideSlot)
#define VL_LEFT_OPERAND_ENTRIES(FUSED, Kind) \
    FUSED(Op##Kind##Add), FUSED(Op##Kind##Subtract), FUSED(Op##Kind##Multiply), FUSED(Op##Kind##Divide)
#define VL_SLOT_UNARY_ENTRIES(FUSED, Outer) \
    FUSED(Op##Outer##SquareSlot), FUSED(Op##Outer##AbsSlot), FUSED(Op##Outer##SqrtSlot)
#define VL_SLOT_PAIR_ENTRIES(FUSED, Outer)                                                              \
    FUSED(Op##Outer##SlotAddSlot), FUSED(Op##Outer##SlotSubtractSlot), FUSED(Op##Outer##SlotMultiplySlot), \
        FUSED(Op##Outer##SlotDivideSlot)
// A table of every opcode's handler (one short is a compile error, not a
// null entry).
#define VL_HANDLERS(...)                                  \
    static const void* const kHandlers[] = {__VA_ARGS__}; \
    static_assert(std::size(kHandlers) == kAllOpcodeCount, "a handler is missing")
#define VL_TAKE(label) &&label
#define VL_LEAVE(label) &&opNothing
    const void* const* handlers;
    if constexpr (kLeaf) {
        VL_HANDLERS(VL_HANDLER_TABLE(VL_LEAVE, VL_TAKE, VL_LEAVE, VL_LEAVE));
        handlers = kHandlers;
    } else if constexpr (kLean && Arith::kRunsPointCode) {
        VL_HANDLERS(VL_HANDLER_TABLE(VL_LEAVE, VL_TAKE, VL_TAKE, VL_TAKE));
        handlers = kHandlers;
    } else if constexpr (kLean) {
        VL_HANDLERS(VL_HANDLER_TABLE(VL_LEAVE, VL_LEAVE, VL_TAKE, VL_LEAVE));
        handlers = kHandlers;
    } else {
        VL_HANDLERS(VL_HANDLER_TABLE(VL_TAKE, VL_LEAVE, VL_TAKE, VL_LEAVE));
        handlers = kHandlers;
    }
#undef VL_HANDLERS
#undef VL_HANDLER_TABLE
#undef VL_SLOT_PAIR_ENTRIES
#undef VL_SLOT_UNARY_ENTRIES
#undef VL_LEFT_OPERAND_ENTRIES
#undef VL_SLOT_OF_PAIR_ENTRIES
#undef VL_TAKE
#undef VL_LEAVE
// Decodes the instruction at pc and jumps to its handler. FinishProgram
// verified every opcode, so the table needs no bound check.
#define VL_GO() goto* handlers[pc->opcode]
// After an instruction, with pc at the next one: the early end on an
// undefined value, then the next handler. Straight-line code ends anyway,
// so only the loop test and calls poll the stop flags.
#define VL_CHECK_AND_GO()                                                                 \
    do {                                                                                  \
        if constexpr (Arith::kEndsOnUndefined) {                                          \
            if (__builtin_expect(Arith::IsUndefined(top), 0) && sp != cells)              \
                goto undefinedOnTop;                                                      \
        }                                                                                 \
        VL_GO();                                                                          \
    } while (0)
// The same with the stop checks first.
#define VL_POLL_AND_GO()                                                                  \
    do {                                                                                  \
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0))                      \
            goto slowCheck;                                                               \
        VL_CHECK_AND_GO();                                                                \
    } while (0)
#define VL_NEXT            \
    do {                   \
        ++pc;              \
        VL_CHECK_AND_GO(); \
    } while (0)
// The arithmetic opcodes from the policy's tables.
#define VL_UNARY_OP(op)                                          \
    do {                                                         \
        constexpr auto function = Arith::kUnary[op];             \
        if (function != nullptr) {                               \
            if constexpr (Arith::InlineUnary(op))                \
                top = function(top);                             \
            else                                                 \
                VL_UNARY_CALL(function(top));                    \
        }                                                        \
        VL_NEXT;                                                 \
    } while (0)
#define VL_BINARY_OP(op)                              \
    do {                                              \
        constexpr auto function = Arith::kBinary[op]; \
        if (function != nullptr)                      \
            VL_BINARY(function(below, top));          \
        VL_NEXT;                                      \
    } while (0)

    VL_GO();
    {
        OpPushNumber: VL_PUSH(Arith::Number(pc->number)); VL_NEXT;
        OpLoadSlot: VL_PUSH(frame[pc->arg.a]); VL_NEXT;
        OpLoadLocal: VL_PUSH(locals[pc->arg.a]); VL_NEXT;
        OpLoadParameter:
            VL_PUSH_CALL(Arith::Parameter(GetParameterValue(static_cast<uint32_t>(pc->arg.a), row, doc)));
            VL_NEXT;
        OpStoreSlot: frame[pc->arg.a] = top; VL_NEXT;
        OpStoreLocal: locals[pc->arg.a] = top; VL_NEXT;
        OpSwap: std::swap(top, below); VL_NEXT;
        OpDrop: VL_BINARY(below); VL_NEXT;
        OpLoadXPart:
        OpLoadYPart:
        OpLoadZPart: VL_PUSH_CALL(GridPart<Arith>(grid, pc->opcode - OpLoadXPart, pc->arg.a)); VL_NEXT;
        OpLoadConstant: VL_PUSH(constants ? Arith::Constant(constants[pc->arg.a]) : Arith::kUndefined); VL_NEXT;
        OpAdd: VL_BINARY_OP(OpAdd);
        OpMultiply: VL_BINARY_OP(OpMultiply);
        OpDivide: VL_BINARY_OP(OpDivide);
        OpPower: VL_BINARY_OP(OpPower);
        OpAngle: VL_BINARY_OP(OpAngle);
        OpHypot: VL_BINARY_OP(OpHypot);
        OpInterval: VL_BINARY_OP(OpInterval);
        // Each function is called from its own handler: one call site per
        // function predicts better than one for all.
        OpNegate: VL_UNARY_OP(OpNegate);
        OpAbs: VL_UNARY_OP(OpAbs);
        OpSign: VL_UNARY_OP(OpSign);
        OpSqrt: VL_UNARY_OP(OpSqrt);
        OpExp: VL_UNARY_OP(OpExp);
        OpLog10: VL_UNARY_OP(OpLog10);
        OpLn: VL_UNARY_OP(OpLn);
        OpFactorial: VL_UNARY_OP(OpFactorial);
        OpSquare: VL_UNARY_OP(OpSquare);
        OpSin: VL_UNARY_OP(OpSin);
        OpCos: VL_UNARY_OP(OpCos);
        OpTan: VL_UNARY_OP(OpTan);
        OpCot: VL_UNARY_OP(OpCot);
        OpSec: VL_UNARY_OP(OpSec);
        OpCsc: VL_UNARY_OP(OpCsc);
        OpAsin: VL_UNARY_OP(OpAsin);
        OpAcos: VL_UNARY_OP(OpAcos);
        OpAtan: VL_UNARY_OP(OpAtan);
        OpAcot: VL_UNARY_OP(OpAcot);
        OpAsec: VL_UNARY_OP(OpAsec);
        OpAcsc: VL_UNARY_OP(OpAcsc);
        OpSinh: VL_UNARY_OP(OpSinh);
        OpCosh: VL_UNARY_OP(OpCosh);
        OpTanh: VL_UNARY_OP(OpTanh);
        OpCoth: VL_UNARY_OP(OpCoth);
        OpSech: VL_UNARY_OP(OpSech);
        OpCsch: VL_UNARY_OP(OpCsch);
        OpAsinh: VL_UNARY_OP(OpAsinh);
        OpAcosh: VL_UNARY_OP(OpAcosh);
        OpAtanh: VL_UNARY_OP(OpAtanh);
        OpAcoth: VL_UNARY_OP(OpAcoth);
        OpAsech: VL_UNARY_OP(OpAsech);
        OpAcsch: VL_UNARY_OP(OpAcsch);
        OpFloor: VL_UNARY_OP(OpFloor);
        OpCeil: VL_UNARY_OP(OpCeil);
        OpReal: VL_UNARY_OP(OpReal);
        OpImag: VL_UNARY_OP(OpImag);
        OpInf: VL_UNARY_OP(OpInf);
        OpSup: VL_UNARY_OP(OpSup);
        OpArg: VL_UNARY_OP(OpArg);
        OpConjugate: VL_UNARY_OP(OpConjugate);
        OpTextEqual: VL_BINARY_OP(OpTextEqual);
        OpTextNotEqual: VL_BINARY_OP(OpTextNotEqual);
        OpBesselJ: VL_BINARY_OP(OpBesselJ);
        OpMod: VL_BINARY_OP(OpMod);
        OpMin: VL_BINARY_OP(OpMin);
        OpMax: VL_BINARY_OP(OpMax);
        OpBinomial: VL_BINARY_OP(OpBinomial);
        OpRelation: {
            *sp++ = below;
            int32_t n = std::max(pc->arg.a, 1);
            sp -= n - 1;
            top = Chain<Arith>(pc->opcode, sp, n, top);
            below = *--sp;
            VL_NEXT;
        }
        OpAnd: VL_BINARY(Arith::And(below, top)); VL_NEXT;
        OpOr: VL_BINARY(Arith::Or(below, top)); VL_NEXT;
        OpNot: top = Arith::Not(top); VL_NEXT;
        OpRationalPower: {
            // base, p, q with q on top.
            Value base = *--sp;
            VL_BINARY(Arith::RationalPower(base, below, top));
            VL_NEXT;
        }
        OpIf: VL_BINARY(Arith::Equals(top, Arith::kTrue) ? below : Arith::kUndefined); VL_NEXT;
        OpBranch:
            if (pc->arg.a <= 0) {
                VL_PUSH(Arith::kUndefined);
            } else {
                *sp++ = below;
                Value* pairs = sp - (2 * pc->arg.a - 1);
                top = Piecewise<Arith>(pairs, pc->arg.a, top);
                sp = pairs;
                below = *--sp;
            }
            VL_NEXT;
        OpImaginaryUnit: VL_PUSH(Arith::ImaginaryUnit()); VL_NEXT;
        OpClamp: {
            // x, lo, hi with hi on top.
            constexpr auto maxOf = Arith::kBinary[OpMax];
            constexpr auto minOf = Arith::kBinary[OpMin];
            Value x = *--sp;
            VL_BINARY(maxOf(minOf(x, top), below));
            VL_NEXT;
        }
        OpFail: ++pc; goto endEarly;
        OpInterpolate1: VL_UNARY_CALL(Arith::Table1(static_cast<uint32_t>(pc->arg.a), top, doc)); VL_NEXT;
        OpInterpolate2: VL_BINARY(Arith::Table2(static_cast<uint32_t>(pc->arg.a), top, below, doc)); VL_NEXT;
        OpCallUser: {
            // The arguments in written order, the last one from top.
            *sp++ = below;
            *sp = top;
            int32_t n = std::max(pc->arg.a, 0);
            Value called = CallUserFunction(program, pc->arg.b, sp - (n - 1), n, Arith::kUndefined,
                                            [control](const BytecodeProgram* callee, Value* calleeFrame) {
                                                return Arith::RunNested(callee, calleeFrame, *control);
                                            });
            sp += n == 0 ? 1 : 1 - n;
            top = called;
            below = *--sp;
            if (control->stopped)
                VL_END(top);
            ++pc;
            VL_POLL_AND_GO();
        }
        OpSkipFalsePair:
            if (Arith::Equals(top, Arith::kZero)) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, pc->arg.a, pc->arg.b, &seen);
                if (!label) {
                    ++pc;
                    goto endEarly;
                }
                VL_PUSH(Arith::kUndefined);
                pc = label + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        OpSkipRestPairs:
            if (Arith::Equals(below, Arith::kTrue)) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, pc->arg.a, pc->arg.b, &seen);
                if (!label) {
                    ++pc;
                    goto endEarly;
                }
                // The chosen pair moves down under an undefined pair for
                // every pair skipped.
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    VL_PUSH(Arith::kUndefined);
                    VL_PUSH(Arith::kUndefined);
                }
                pc = label + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        OpStoreAndDrop:
            locals[pc->arg.a] = top;
            VL_BINARY(below);
            VL_NEXT;
        OpLoopTest:
            switch (Arith::LoopStep(locals[pc->arg.a], locals[pc->arg.a + 1])) {
            case kLoopBody: ++pc; VL_POLL_AND_GO();
            case kLoopTooLong: top = Arith::kUndefined; [[fallthrough]];
            case kLoopDone: pc += pc->arg.b + 1; VL_POLL_AND_GO();
            }
            ++pc;
            VL_POLL_AND_GO();
        OpLoopEnd: {
            constexpr auto add = Arith::kBinary[OpAdd];
            Value counter = locals[pc->arg.a];
            Value next = add(counter, Arith::kOne);
            // A counter too large to count by 1 ends the loop undefined.
            locals[pc->arg.a] = Arith::Equals(next, counter) ? Arith::kUndefined : next;
            pc -= pc->arg.b;
            VL_GO();  // the loop test makes the checks
        }
        OpGuard:
            // A term whose counter may lie outside the loop may be absent.
            if (!CertainlyInLoop<Arith>(locals, pc->arg.a))
                top = Arith::Guard(pc->opcode, top);
            VL_NEXT;
        OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            VL_NEXT;
        OpRowFromCounter: row = Arith::Row(locals[pc->arg.a]); VL_NEXT;
        OpAggregate: {
            // count, sum, value (, weight) or max, min, value (, weight)
            bool weighted = pc->opcode == OpAggregateWeighted || pc->opcode == OpMinMaxWeighted;
            Value weight = weighted ? top : Arith::kOne;
            Value value = weighted ? below : top;
            if (weighted)
                below = *--sp;
            // below is now the running count or max, *--sp the sum or min.
            Value second = below;
            Value first = *--sp;
            if (Counts<Arith>(weight, value)) {
                if (pc->opcode == OpAggregateWeighted || pc->opcode == OpAggregateStep) {
                    constexpr auto add = Arith::kBinary[OpAdd];
                    first = add(first, weight);
                    second = add(second, value);
                } else {
                    AddToMinMax<Arith>(first, second, value);
                }
            }
            top = second;
            below = first;
            VL_NEXT;
        }
        OpBeginAggregate: {
            // The running count and sum, or max and min, go on the stack.
            Value start = pc->opcode == OpBeginAggregate ? Arith::kZero : Arith::kUndefined;
            *sp++ = below;
            *sp++ = top;
            savedRows.Push(row);
            below = start;
            top = start;
            locals[pc->arg.a] = Arith::kOne;
            locals[pc->arg.a + 1] = Arith::Number(static_cast<double>(pc->arg.b) + 1);
            VL_NEXT;
        }
        OpSelectRow: {
            int32_t next = Arith::Row(top);
            *sp++ = below;  // the stack waits in its cells over the call
            savedRows.Push(row);
            top = *--sp;
            below = *--sp;
            row = next;
            VL_NEXT;
        }
        OpEnd: VL_END(top);
        opNothing: VL_NEXT;

        // The fused forms of point code.
#define VL_CONSTANT(i) (constants ? Arith::Constant(constants[i]) : Arith::kUndefined)
#define VL_OPERAND_FORMS(Kind, operand)                                   \
    OpAdd##Kind: top = FusedAdd<Arith>(top, operand); VL_NEXT;           \
    OpSubtract##Kind: top = FusedSubtract<Arith>(top, operand); VL_NEXT; \
    OpMultiply##Kind: top = FusedMultiply<Arith>(top, operand); VL_NEXT; \
    OpDivide##Kind: top = FusedDivide<Arith>(top, operand); VL_NEXT;
        VL_OPERAND_FORMS(Number, Arith::Number(pc->number))
        VL_OPERAND_FORMS(Slot, frame[pc->arg.a])
        VL_OPERAND_FORMS(Local, locals[pc->arg.a])
        VL_OPERAND_FORMS(Constant, VL_CONSTANT(pc->arg.a))
#undef VL_OPERAND_FORMS
        OpPowerNumber: {
            constexpr auto power = Arith::kBinary[OpPower];
            VL_UNARY_CALL(power(top, Arith::Number(pc->number)));
            VL_NEXT;
        }
        OpWholePower: top = FusedWholePower<Arith>(top, static_cast<uint32_t>(pc->arg.a)); VL_NEXT;
// top = operand op top: the push of the left operand moved past the right.
#define VL_LEFT_OPERAND_FORMS(Kind, operand)                               \
    Op##Kind##Add: top = FusedAdd<Arith>(operand, top); VL_NEXT;           \
    Op##Kind##Subtract: top = FusedSubtract<Arith>(operand, top); VL_NEXT; \
    Op##Kind##Multiply: top = FusedMultiply<Arith>(operand, top); VL_NEXT; \
    Op##Kind##Divide: top = FusedDivide<Arith>(operand, top); VL_NEXT;
        VL_LEFT_OPERAND_FORMS(Number, Arith::Number(pc->number))
        VL_LEFT_OPERAND_FORMS(Slot, frame[pc->arg.a])
#undef VL_LEFT_OPERAND_FORMS
        // The last operation, and the end at once.
        OpAddThenEnd: VL_END(FusedAdd<Arith>(below, top));
        OpSubtractThenEnd: VL_END(FusedSubtract<Arith>(below, top));
        OpMultiplyThenEnd: VL_END(FusedMultiply<Arith>(below, top));
        OpDivideThenEnd: VL_END(FusedDivide<Arith>(below, top));
#define VL_THEN_END_FORMS(Kind, operand)                                      \
    OpAdd##Kind##ThenEnd: VL_END(FusedAdd<Arith>(top, operand));              \
    OpSubtract##Kind##ThenEnd: VL_END(FusedSubtract<Arith>(top, operand));    \
    OpMultiply##Kind##ThenEnd: VL_END(FusedMultiply<Arith>(top, operand));    \
    OpDivide##Kind##ThenEnd: VL_END(FusedDivide<Arith>(top, operand));
        VL_THEN_END_FORMS(Number, Arith::Number(pc->number))
        VL_THEN_END_FORMS(Slot, frame[pc->arg.a])
#undef VL_THEN_END_FORMS
        OpMultiplySlotAddNumberThenEnd:
            VL_END(FusedAdd<Arith>(FusedMultiply<Arith>(top, frame[pc->arg.a]), Arith::Number(pc[1].number)));
        OpSqrtThenEnd: {
            constexpr auto function = Arith::kUnary[OpSqrt];
            VL_END(function(top));
        }
        OpAbsThenEnd: {
            constexpr auto function = Arith::kUnary[OpAbs];
            VL_END(function(top));
        }
        OpSubtract: VL_BINARY(FusedSubtract<Arith>(below, top)); VL_NEXT;
// Pushes slot a op the number of the next word.
#define VL_SLOT_NUMBER_FORM(Name, operation)                                        \
    OpSlot##Name##Number:                                                          \
        VL_PUSH(operation<Arith>(frame[pc->arg.a], Arith::Number(pc[1].number))); \
        pc += 2;                                                                   \
        VL_CHECK_AND_GO();                                                         \
    OpSlot##Name##Slot: VL_PUSH(operation<Arith>(frame[pc->arg.a], frame[pc->arg.b])); VL_NEXT;
        VL_SLOT_NUMBER_FORM(Add, FusedAdd)
        VL_SLOT_NUMBER_FORM(Subtract, FusedSubtract)
        VL_SLOT_NUMBER_FORM(Multiply, FusedMultiply)
        VL_SLOT_NUMBER_FORM(Divide, FusedDivide)
#undef VL_SLOT_NUMBER_FORM
        OpMultiplySlotAddNumber: {
            // The product rounds before the sum, as the two instructions did.
            Value product = FusedMultiply<Arith>(top, frame[pc->arg.a]);
            top = FusedAdd<Arith>(product, Arith::Number(pc[1].number));
            pc += 2;
            VL_CHECK_AND_GO();
        }
#define VL_SLOT_UNARY_FORM(Name)                          \
    Op##Name##Slot: {                                     \
        constexpr auto function = Arith::kUnary[Op##Name]; \
        VL_PUSH(function(frame[pc->arg.a]));              \
        VL_NEXT;                                          \
    }
        VL_SLOT_UNARY_FORM(Square)
        VL_SLOT_UNARY_FORM(Abs)
        VL_SLOT_UNARY_FORM(Sqrt)
#undef VL_SLOT_UNARY_FORM
// top = top Outer (slot a Inner slot b), the inner operation first.
#define VL_SLOT_PAIR_FORM(Outer, Inner)                                                                \
    Op##Outer##Slot##Inner##Slot:                                                                      \
        top = Fused##Outer<Arith>(top, Fused##Inner<Arith>(frame[pc->arg.a], frame[pc->arg.b]));      \
        VL_NEXT;
#define VL_SLOT_PAIR_FORMS(Outer)                                                                      \
    VL_SLOT_PAIR_FORM(Outer, Add)                                                                      \
    VL_SLOT_PAIR_FORM(Outer, Subtract) VL_SLOT_PAIR_FORM(Outer, Multiply) VL_SLOT_PAIR_FORM(Outer, Divide)
        VL_SLOT_PAIR_FORMS(Add)
        VL_SLOT_PAIR_FORMS(Subtract)
        VL_SLOT_PAIR_FORMS(Multiply)
        VL_SLOT_PAIR_FORMS(Divide)
#undef VL_SLOT_PAIR_FORMS
#undef VL_SLOT_PAIR_FORM
// Pushes slot c (the second word's) Outer (slot a Inner slot b).
#define VL_SLOT_OF_PAIR_FORM(Outer, Inner)                                                                   \
    OpSlot##Outer##Slot##Inner##Slot:                                                                        \
        VL_PUSH(Fused##Outer<Arith>(frame[pc[1].arg.a], Fused##Inner<Arith>(frame[pc->arg.a], frame[pc->arg.b]))); \
        pc += 2;                                                                                             \
        VL_CHECK_AND_GO();
#define VL_SLOT_OF_PAIR_FORMS(Outer)                                                                         \
    VL_SLOT_OF_PAIR_FORM(Outer, Add)                                                                         \
    VL_SLOT_OF_PAIR_FORM(Outer, Subtract) VL_SLOT_OF_PAIR_FORM(Outer, Multiply) VL_SLOT_OF_PAIR_FORM(Outer, Divide)
        VL_SLOT_OF_PAIR_FORMS(Add)
        VL_SLOT_OF_PAIR_FORMS(Subtract)
        VL_SLOT_OF_PAIR_FORMS(Multiply)
        VL_SLOT_OF_PAIR_FORMS(Divide)
#undef VL_SLOT_OF_PAIR_FORMS
#undef VL_SLOT_OF_PAIR_FORM
// top = top Outer f(slot a).
#define VL_OPERATION_OF_SLOT_FORM(Outer, Name)                                  \
    Op##Outer##Name##Slot: {                                                   \
        constexpr auto function = Arith::kUnary[Op##Name];                     \
        top = Fused##Outer<Arith>(top, function(frame[pc->arg.a]));            \
        VL_NEXT;                                                               \
    }
#define VL_OPERATION_OF_SLOT_FORMS(Outer)                                       \
    VL_OPERATION_OF_SLOT_FORM(Outer, Square)                                    \
    VL_OPERATION_OF_SLOT_FORM(Outer, Abs) VL_OPERATION_OF_SLOT_FORM(Outer, Sqrt)
        VL_OPERATION_OF_SLOT_FORMS(Add)
        VL_OPERATION_OF_SLOT_FORMS(Subtract)
        VL_OPERATION_OF_SLOT_FORMS(Multiply)
        VL_OPERATION_OF_SLOT_FORMS(Divide)
#undef VL_OPERATION_OF_SLOT_FORMS
#undef VL_OPERATION_OF_SLOT_FORM
#undef VL_CONSTANT
    }
undefinedOnTop: __attribute__((unused));
    top = Arith::kUndefined;
    // Inside a row aggregate the steps skip undefined values (and a running
    // min or max starts undefined), and a branch may not choose the value:
    // the run goes on there.
    if (program->hasBranches || (!kLean && savedRows.count != 0)) {
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0))
            goto slowCheck;
        VL_GO();
    }
    goto endEarly;
slowCheck: {
    *sp++ = below;
    *sp = top;
    bool stop = StopChecksFire(stopRequest);
    top = *sp;
    below = *--sp;
    if (stop) {
        if (control)
            control->stopped = true;
        VL_END(top);
    }
    VL_GO();
}
endEarly:
    ForgetLaterStores<Arith>(pc, frame, locals);
    result = Arith::kUndefined;
#undef VL_GO
#undef VL_CHECK_AND_GO
#undef VL_POLL_AND_GO
#undef VL_NEXT
#undef VL_PUSH
#undef VL_PUSH_CALL
#undef VL_UNARY_CALL
#undef VL_BINARY
#undef VL_UNARY_OP
#undef VL_BINARY_OP
#undef VL_END

done:
    if (!kLean && __builtin_expect(heapCells != nullptr || savedRows.storage != nullptr, 0)) {
        // The result waits in memory over the calls, as values do in the loop.
        fewCells[0] = result;
        BudgetFree(heapCells);
        savedRows.Clear();
        result = fewCells[0];
    }
    return Arith::Exit(result);
}
#pragma GCC diagnostic pop

// Runs the program on the frame: its point code where the policy takes it
// and the program has one, else its instructions, lean where they allow.
template <typename Arith>
typename Arith::Value RunProgram(const BytecodeProgram* program, typename Arith::Value* frame,
                                 const GridEvalState* grid, RunControl& control)
{
    if constexpr (Arith::kRunsPointCode) {
        if (program->pointLeaf)
            return RunCode<Arith, true, true>(program, program->pointCode.storage, frame, grid, &control);
        if (program->pointCode.count > 0)
            return RunCode<Arith, true>(program, program->pointCode.storage, frame, grid, &control);
    }
    const Instruction* code = program->instructions.storage;
    if (program->straightLine && program->maxStack <= kFewCells<typename Arith::Value> - 2)
        return RunCode<Arith, true>(program, code, frame, grid, &control);
    return RunCode<Arith, false>(program, code, frame, grid, &control);
}

}  // namespace VL_INTERPRETER_BUILD
