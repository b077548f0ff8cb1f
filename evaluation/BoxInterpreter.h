// The run shared by the interval and the complex-interval interpreters:
// value stack, branches and labels, loops and their guards, row aggregates,
// user-function calls, the early end on undefined values and the stop
// checks, over a value type whose arithmetic a policy supplies. Truth values
// are exact only when all their bounds are; an undecided condition never
// jumps and makes an if undefined.
//
// The policy Arith provides:
//   Value; kUndefined, kZero, kOne, kTrue, kLoopStepCap
//   IsUndefined(v), Equals(a, b)            all bounds, NaN never equal
//   Number(d), Parameter(c), Constant(c)    opcodes 0, 3 and 11
//   Row(v)                                  a value as a data row
//   kUnary[op](top), kBinary[op](below, top)   the arithmetic opcodes
//   Relation(op, lower, upper), And, Or, Not, Union
//   RationalPower(base, p, q), ImaginaryUnit()
//   LoopPart(v)                             what the loop test compares
//   Guard(op, top)                          top widened to the neutral value
//   Table1(id, x, doc), Table2(id, a, b, doc)
//   RunNested(program, frame, control), Exit(top)
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/BranchLabel.h"
#include "evaluation/BudgetBlock.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunctionCall.h"

#include <alloca.h>
#include <algorithm>
#include <cstdint>
#include <utility>

// The policy's arithmetic opcodes by number; null where an opcode is not
// one of them.
template <typename Function>
struct OpcodeFunctions {
    Function entries[kOpcodeCount] = {};
    constexpr Function operator[](int32_t opcode) const { return entries[opcode]; }
};

namespace box_run {

// A run that ends before its end writes undefined into every slot the rest
// of the program would have stored: a later program of the batch reads the
// computed slots and shared subexpressions, and must find this box's
// undefined value there, not the last box's.
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

// The relation chain over values[0 .. n-2] and top: the top two operands
// first, then each further operand, walking down, with the one above it;
// the pairs' truth values combined with And.
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
// and top, the last pair taken first. A certainly true condition overrides
// every pair written after it, an undecided one widens the result by its
// value, and a false or undefined one never contributes.
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
bool WeightCounts(const typename Arith::Value& weight)
{
    return !Arith::IsUndefined(weight) && !Arith::Equals(weight, Arith::kZero);
}

// The first value is taken as it is; from then on the running max and min
// take the larger and the smaller one.
template <typename Arith>
void AddToMinMax(typename Arith::Value& max, typename Arith::Value& min, const typename Arith::Value& value)
{
    max = Arith::IsUndefined(max) ? value : Arith::kBinary[OpMax](max, value);
    min = Arith::IsUndefined(min) ? value : Arith::kBinary[OpMin](min, value);
}

// Whether the loop counter of slot a certainly lies between start and limit.
template <typename Arith>
bool CertainlyInLoop(const typename Arith::Value* locals, int32_t a)
{
    return Arith::Equals(Arith::Relation(OpGeq, locals[a], locals[a + 2]), Arith::kTrue) &&
           Arith::Equals(Arith::Relation(OpLeq, locals[a], locals[a + 1]), Arith::kTrue);
}

}  // namespace box_run

template <typename Arith>
typename Arith::Value RunOverBoxes(const BytecodeProgram* program, typename Arith::Value* frame,
                                   const GridEvalState* grid, RunControl& control)
{
    using Value = typename Arith::Value;
    using namespace box_run;
    const ComplexValue* constants = nullptr;
    if (program->context) {
        constants = program->context->GetConstants(control);
        if (control.stopped)
            return Arith::kUndefined;
    }
    const Instruction* code = program->instructions.storage;
    Value* locals = frame + program->localBase;

    // Value stacks up to this many cells live in the run's own frame.
    constexpr int32_t kFewCells = 16;
    Value fewCells[kFewCells];
    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(Value);
    BudgetBlock heap;
    Value* cells;
    if (program->maxStack <= kFewCells) {
        cells = fewCells;
    } else if (HasStackRoom(stackBytes)) {
        cells = static_cast<Value*>(alloca(stackBytes));
    } else {
        heap.block = BudgetMalloc(stackBytes, false);
        cells = static_cast<Value*>(heap.block);
        if (!cells) {
            ForgetLaterStores<Arith>(code, frame, locals);
            return Arith::kUndefined;
        }
    }

    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    const DocState* doc = program->doc;
    // The value on top lives apart from the cells beneath it; sp is the
    // first free cell.
    Value top = Arith::kUndefined;
    Value* sp = cells;
    int32_t row = Arith::Row(frame[11]);
    GrowArray<int32_t> savedRows{};
    const Instruction* pc = code;

    for (;;) {
        int32_t op = pc->opcode;
        int32_t a = pc->arg.a;
        int32_t b = pc->arg.b;
        const Instruction* next = pc + 1;
        switch (op) {
        case OpPushNumber: *sp++ = top; top = Arith::Number(pc->number); break;
        case OpLoadSlot: *sp++ = top; top = frame[a]; break;
        case OpLoadLocal: *sp++ = top; top = locals[a]; break;
        case OpLoadParameter:
            *sp++ = top;
            top = Arith::Parameter(GetParameterValue(static_cast<uint32_t>(a), row, doc));
            break;
        case OpStoreSlot: frame[a] = top; break;
        case OpStoreLocal: locals[a] = top; break;
        case OpSwap: std::swap(top, sp[-1]); break;
        case OpDrop: top = *--sp; break;
        case OpLoadXPart:
        case OpLoadYPart:
        case OpLoadZPart: {
            *sp++ = top;
            int64_t cell = grid ? PartCell(*grid, op - OpLoadXPart, a) : -1;
            top = cell >= 0 ? static_cast<const Value*>(grid->parts)[cell] : Arith::kUndefined;
            break;
        }
        case OpLoadConstant: *sp++ = top; top = constants ? Arith::Constant(constants[a]) : Arith::kUndefined; break;
        case OpLess:
        case OpGreater:
        case OpLeq:
        case OpGeq:
        case OpEqual:
        case OpNotEqual: {
            int32_t n = std::max(a, 1);
            sp -= n - 1;
            top = Chain<Arith>(op, sp, n, top);
            break;
        }
        case OpAnd: --sp; top = Arith::And(*sp, top); break;
        case OpOr: --sp; top = Arith::Or(*sp, top); break;
        case OpNot: top = Arith::Not(top); break;
        case OpRationalPower:
            // base, p, q with q on top.
            sp -= 2;
            top = Arith::RationalPower(sp[0], sp[1], top);
            break;
        case OpIf: --sp; top = Arith::Equals(top, Arith::kTrue) ? *sp : Arith::kUndefined; break;
        case OpBranch:
            if (a <= 0) {
                *sp++ = top;
                top = Arith::kUndefined;
            } else {
                sp -= 2 * a - 1;
                top = Piecewise<Arith>(sp, a, top);
            }
            break;
        case OpImaginaryUnit: *sp++ = top; top = Arith::ImaginaryUnit(); break;
        case OpClamp:
            // x, lo, hi with hi on top.
            sp -= 2;
            top = Arith::kBinary[OpMax](Arith::kBinary[OpMin](sp[0], top), sp[1]);
            break;
        case OpFail:
            top = Arith::kUndefined;
            ForgetLaterStores<Arith>(next, frame, locals);
            goto done;
        case OpInterpolate1: top = Arith::Table1(static_cast<uint32_t>(a), top, doc); break;
        case OpInterpolate2:
            --sp;
            top = Arith::Table2(static_cast<uint32_t>(a), top, *sp, doc);
            break;
        case OpCallUser: {
            // The arguments in written order, the last one on top.
            int32_t n = std::max(a, 0);
            *sp = top;
            Value* arguments = sp - (n - 1);
            Value result = CallUserFunction(program, b, arguments, n, Arith::kUndefined,
                                            [&control](const BytecodeProgram* callee, Value* calleeFrame) {
                                                return Arith::RunNested(callee, calleeFrame, control);
                                            });
            sp = n == 0 ? sp + 1 : arguments;
            top = result;
            if (control.stopped)
                goto done;
            break;
        }
        case OpSkipFalsePair:
            if (Arith::Equals(top, Arith::kZero)) {
                *sp++ = top;
                top = Arith::kUndefined;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                next = label + 1;
            }
            break;
        case OpSkipRestPairs:
            if (sp != cells && Arith::Equals(sp[-1], Arith::kTrue)) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                // The chosen pair moves down under an undefined pair for
                // every pair skipped.
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    *sp++ = top;
                    *sp++ = Arith::kUndefined;
                    top = Arith::kUndefined;
                }
                next = label + 1;
            }
            break;
        case OpStoreAndDrop:
            locals[a] = top;
            top = *--sp;
            break;
        case OpLoopTest: {
            Value counter = Arith::LoopPart(locals[a]);
            Value limit = Arith::LoopPart(locals[a + 1]);
            if (Arith::Equals(Arith::Relation(OpGreater, counter, limit), Arith::kTrue)) {
                next = pc + b + 1;
            } else {
                Value left = Arith::kBinary[OpAdd](limit, Arith::kUnary[OpNegate](counter));
                if (!Arith::Equals(Arith::Relation(OpLeq, left, Arith::kLoopStepCap), Arith::kTrue)) {
                    top = Arith::kUndefined;
                    next = pc + b + 1;
                }
            }
            break;
        }
        case OpLoopEnd: {
            Value counter = locals[a];
            Value stepped = Arith::kBinary[OpAdd](counter, Arith::kOne);
            // A counter too large to count by 1 ends the loop undefined.
            locals[a] = Arith::Equals(stepped, counter) ? Arith::kUndefined : stepped;
            pc -= b;
            continue;  // the loop test makes the checks
        }
        case OpSumGuard:
        case OpProductGuard:
            // A term whose counter may lie outside the loop may be absent:
            // the result must then hold the neutral value too.
            if (!CertainlyInLoop<Arith>(locals, a))
                top = Arith::Guard(op, top);
            break;
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpRowFromCounter: row = Arith::Row(locals[a]); break;
        case OpAggregateWeighted:
        case OpAggregateStep: {
            // count, sum, value (, weight)
            Value weight = op == OpAggregateWeighted ? top : Arith::kOne;
            Value value = op == OpAggregateWeighted ? *--sp : top;
            top = *--sp;  // the sum
            if (WeightCounts<Arith>(weight) && !Arith::IsUndefined(value)) {
                sp[-1] = Arith::kBinary[OpAdd](sp[-1], weight);
                top = Arith::kBinary[OpAdd](top, value);
            }
            break;
        }
        case OpMinMaxWeighted:
        case OpMinMaxStep: {
            // max, min, value (, weight)
            Value weight = op == OpMinMaxWeighted ? top : Arith::kOne;
            Value value = op == OpMinMaxWeighted ? *--sp : top;
            top = *--sp;  // the min
            if (WeightCounts<Arith>(weight) && !Arith::IsUndefined(value))
                AddToMinMax<Arith>(sp[-1], top, value);
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            // The running count and sum, or max and min, go on the stack.
            Value start = op == OpBeginAggregate ? Arith::kZero : Arith::kUndefined;
            *sp++ = top;
            *sp++ = start;
            top = start;
            savedRows.Push(row);
            locals[a] = Arith::kOne;
            locals[a + 1] = Arith::Number(static_cast<double>(b) + 1);
            break;
        }
        case OpSelectRow:
            savedRows.Push(row);
            row = Arith::Row(top);
            top = *--sp;
            break;
        case OpEnd: goto done;
        default:
            // The arithmetic; opcodes outside the set do nothing.
            if (static_cast<uint32_t>(op) < static_cast<uint32_t>(kOpcodeCount)) {
                if (Arith::kUnary[op]) {
                    top = Arith::kUnary[op](top);
                } else if (Arith::kBinary[op]) {
                    --sp;
                    top = Arith::kBinary[op](*sp, top);
                }
            }
            break;
        }
        pc = next;
        if (Arith::IsUndefined(top) && sp != cells) {
            top = Arith::kUndefined;
            // Inside a row aggregate the steps skip undefined values (and a
            // running min or max starts undefined): the run goes on there.
            if (!program->hasBranches && savedRows.count == 0) {
                ForgetLaterStores<Arith>(pc, frame, locals);
                goto done;
            }
        }
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0) && StopChecksFire(stopRequest)) {
            control.stopped = true;
            goto done;
        }
    }

done:
    savedRows.Clear();
    return Arith::Exit(top);
}
