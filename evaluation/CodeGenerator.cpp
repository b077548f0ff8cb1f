#include "evaluation/CodeGenerator.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/ParameterValue.h"
#include "formula/DependsOnlyOn.h"
#include "formula/DocumentQueries.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TableContext.h"
#include "formula/TreeConstness.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"
#include "numerics/TextIdentity.h"

#include <bit>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;
constexpr double kDegree = 0.017453292519943295;

// The largest subscript whose key ((k + 1) shifted left 16 bits, or'ed with
// the base's code) still fits 32 bits.
constexpr double kLargestKeyedIndex = 65534.0;

double Undefined()
{
    return std::numeric_limits<double>::quiet_NaN();
}

// Kinds whose emission is one opcode without operands.
int32_t PlainOpcodeOf(int32_t kind)
{
    switch (kind) {
    case KindFact: return OpFactorial;
    case KindMinus: return OpNegate;
    case KindSin: return OpSin;
    case KindCos: return OpCos;
    case KindTan: return OpTan;
    case KindCot: return OpCot;
    case KindCsc: return OpCsc;
    case KindSec: return OpSec;
    case KindAsin: return OpAsin;
    case KindAcos: return OpAcos;
    case KindAtan: return OpAtan;
    case KindAcot: return OpAcot;
    case KindAcsc: return OpAcsc;
    case KindAsec: return OpAsec;
    case KindSinh: return OpSinh;
    case KindCosh: return OpCosh;
    case KindTanh: return OpTanh;
    case KindCoth: return OpCoth;
    case KindCsch: return OpCsch;
    case KindSech: return OpSech;
    case KindAsinh: return OpAsinh;
    case KindAcosh: return OpAcosh;
    case KindAtanh: return OpAtanh;
    case KindAcoth: return OpAcoth;
    case KindAcsch: return OpAcsch;
    case KindAsech: return OpAsech;
    case KindSgn: return OpSign;
    case KindOpTotal: return OpFail;
    case KindOpPartial: return OpFail;
    case KindAbs: return OpAbs;
    case KindOverline: return OpConjugate;
    case KindChoice: return OpBinomial;
    case KindInterval: return OpInterval;
    case KindFloor: return OpFloor;
    case KindCeil: return OpCeil;
    case KindLn: return OpLn;
    case KindExp: return OpExp;
    case KindArg: return OpArg;
    case KindImag: return OpImag;
    case KindIm: return OpImag;
    case KindReal: return OpReal;
    case KindRe: return OpReal;
    case KindBesselJ: return OpBesselJ;
    case KindMod: return OpMod;
    case KindClamp: return OpClamp;
    case KindNot: return OpNot;
    case KindInf: return OpInf;
    case KindSup: return OpSup;
    case KindPointAngle: return OpAngle;
    case KindColumnElement: return OpRestoreRow;
    default: return -1;
    }
}

// Kinds folded over their operands: one opcode n - 1 times.
int32_t FoldOpcodeOf(int32_t kind)
{
    switch (kind) {
    case KindProduct: return OpMultiply;
    case KindSum: return OpAdd;
    case KindAnd: return OpAnd;
    case KindConditionList: return OpAnd;
    case KindOr: return OpOr;
    default: return -1;
    }
}

// Relation chains: one opcode with the operand count.
int32_t ChainOpcodeOf(int32_t kind)
{
    switch (kind) {
    case KindLess: return OpLess;
    case KindLeq: return OpLeq;
    case KindGreater: return OpGreater;
    case KindGeq: return OpGeq;
    default: return -1;
    }
}

bool IsLoopKind(int32_t kind)
{
    return kind == KindSumLoop || kind == KindProductLoop;
}

bool IsWellFormedLoop(const FormulaNode* node)
{
    return IsLoopKind(node->kind) && node->childCount == 3 && node->children[0]->kind == KindEquation &&
           node->children[0]->childCount == 2;
}

const FormulaNode* LoopVariable(const FormulaNode* loop)
{
    return loop->children[0]->children[0];
}

bool IsOperandAt(const FormulaNode* node, int32_t parentKind, uint32_t position)
{
    const FormulaNode* parent = node->parent;
    return parent && parent->kind == parentKind && position < parent->childCount && parent->children[position] == node;
}

bool IsNumberValue(const FormulaNode* node, double value)
{
    return node->kind == KindNumber && node->payload.number->value == value;
}

bool IsConstantE(const FormulaNode* node)
{
    return IsVariable(node, CodeE);
}

bool IsExponentTwo(const FormulaNode* power)
{
    return power->childCount == 2 && IsNumberValue(power->children[1], 2.0);
}

bool IsOverOrMinusOfOver(const FormulaNode* node)
{
    return node->kind == KindFraction ||
           (node->kind == KindMinus && node->childCount == 1 && node->children[0]->kind == KindFraction);
}

bool IsMinusOfOverUnderPower(const FormulaNode* node)
{
    return node->kind == KindMinus && node->childCount == 1 && node->children[0]->kind == KindFraction &&
           HasParentKind(node, KindPower);
}

// Kinds the emission passes over: their operands stay on the stack as they
// are. Such a node is one value only when it has one operand.
bool IsTransparent(const FormulaNode* node)
{
    switch (node->kind) {
    case KindNumber:
    case KindVariable:
    case KindText:
    case KindSubscript:
    case KindApplication:
    case KindEquation:
    case KindNotEqual:
    case KindLog:
    case KindSqrt:
    case KindFraction:
    case KindPower:
    case KindSn:
    case KindIf:
    case KindBranch:
    case KindMin:
    case KindMax:
    case KindAggregateSum:
    case KindCount:
    case KindMean:
    case KindStdDev:
    case KindInterpolate:
    case KindBoundVariable:
        return false;
    default:
        break;
    }
    if (IsWellFormedLoop(node))
        return false;
    return PlainOpcodeOf(node->kind) < 0 && FoldOpcodeOf(node->kind) < 0 && ChainOpcodeOf(node->kind) < 0;
}

// The node leaves exactly one value on the stack, so a load may stand for it.
bool IsOneValue(const FormulaNode* node)
{
    if (node->kind == KindBranchPiece || IsFractionExponent(node))
        return false;
    return !IsTransparent(node) || node->childCount == 1;
}

bool IsHoistable(const FormulaNode* node)
{
    if (node->kind == KindIf || node->kind == KindNumber || HasParentKind(node, KindBranch))
        return false;
    if (IsMinusOfOverUnderPower(node))
        return false;
    return IsOneValue(node);
}

// What the walk needs to know of every node, computed once bottom-up so
// that no node's question walks its subtree again.
struct NodeFacts {
    // Equal subtrees have equal hashes.
    uint64_t hash;
    // Nothing in the subtree makes its constness depend on where the
    // question stops (no loops, sums, products, aggregates, calls,
    // subscripts or table columns).
    bool simple;
    // For a simple subtree: every node below the root is constant (with
    // parameters and truth values) when asked from the root.
    bool descendantsConstant;
};

constexpr uint32_t kConstantFlags = kAllowParameters | kAllowBooleans;

uint64_t Mix(uint64_t h, uint64_t value)
{
    h ^= value + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h * 0xFF51AFD7ED558CCDull;
}

// The node's own contribution to its subtree's hash: what TreesEqual
// compares of it (texts only by their length).
uint64_t NodeHash(const FormulaNode* node)
{
    uint64_t h = Mix(static_cast<uint64_t>(node->kind), node->childCount);
    switch (node->kind) {
    case KindNumber: {
        double value = node->payload.number ? node->payload.number->value : 0;
        // 0 and -0 are equal trees; NaN never equals anything.
        return Mix(h, value == 0 ? 0 : std::bit_cast<uint64_t>(value));
    }
    case KindVariable:
    case KindBoundVariable: return Mix(h, node->payload.code);
    default: return h;
    }
}

struct Generator {
    BytecodeProgram& program;
    FormulaNode* root;
    bool withLabels;
    bool gridProgram;
    DocState* doc;
    CompileBatchState& batch;
    int32_t programIndex;
    uint32_t slider;
    bool aborted = false;

    std::unordered_map<const FormulaNode*, NodeFacts> facts{};
    // Where the walk stands: ancestors that are loops or row aggregates,
    // ancestors that are row aggregates, and the well-formed loops whose
    // limit or body holds the node, innermost last.
    int32_t loopContextDepth = 0;
    int32_t aggregateDepth = 0;
    GrowArray<const FormulaNode*> activeLoops{};
    // The position of each node on the path from the root in its parent,
    // so that stepping to a sibling never searches a wide parent.
    GrowArray<int32_t> pathIndex{};

    void Run();
    void ComputeFacts();
    uint64_t HashOf(const FormulaNode* node) const;
    // The walk's moves: down to a child, across to the next sibling, up.
    void Enter(const FormulaNode* parent, const FormulaNode* child);
    void Across(const FormulaNode* parent, const FormulaNode* from, const FormulaNode* to);
    void Leave(const FormulaNode* child, const FormulaNode* parent);
    void Finish();

    // Part of the walk.
    bool Descend(FormulaNode*& node, bool atSibling);
    void EmitByKind(FormulaNode* node);
    void AfterEmit(FormulaNode* node);

    // Tests that need the document or the batch.
    bool IsRowAggregate(const FormulaNode* node) const;
    bool IsSilentVariable(const FormulaNode* node) const;
    bool IsInLoopOrBranchContext(const FormulaNode* node) const;
    bool UsesEnclosingLoopVariable(const FormulaNode* node) const;
    bool ReadsTableColumn(const FormulaNode* node) const;
    bool IsTextOperand(const FormulaNode* node) const;
    bool MayHoist(const FormulaNode* node) const;
    bool IsHoistedConstant(const FormulaNode* node) const;
    int32_t LoopSlotOf(const FormulaNode* loop) const;
    int32_t BoundLoopSlot(const FormulaNode* node) const;

    // Steps of the walk that emit.
    bool HoistSubtree(FormulaNode* node);
    bool HoistGridPart(FormulaNode* node);
    void OpenAggregate(FormulaNode* node);
    int32_t PopAggregateSlot();
    void EnterLoopSlots(FormulaNode* equation);
    void EmitVariable(const FormulaNode* node);
    void EmitSubscript(const FormulaNode* node);
    void EmitAggregateEnd(const FormulaNode* node);
    void EmitComputedSlot(uint8_t& done, int32_t slot);
    void EmitR();
    void Record(FormulaNode* node);

    void Fail() { program.error = 1; }
    int32_t AddLocal(FormulaNode* subtree, int32_t owner, int32_t slot, int32_t position, uint8_t bound,
                     uint64_t hash);
};

void Generator::ComputeFacts()
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        NodeFacts own{NodeHash(node), true, true};
        switch (node->kind) {
        case KindSigma:
        case KindCapitalPi:
        case KindApplication:
        case KindSubscript:
        case KindMin:
        case KindMax: own.simple = false; break;
        case KindVariable: own.simple = !IsTableFunctionName(node->payload.code, doc); break;
        default: own.simple = !IsLoopKind(node->kind) && !IsAggregateKind(node->kind); break;
        }
        for (uint32_t i = 0; i < node->childCount; ++i) {
            const FormulaNode* child = node->children[i];
            const NodeFacts& below = facts[child];
            own.hash = Mix(own.hash, below.hash);
            own.simple = own.simple && below.simple;
            own.descendantsConstant = own.descendantsConstant && below.descendantsConstant &&
                                      IsConstantNode(child, doc, kConstantFlags, node);
        }
        facts[node] = own;
    }
}

uint64_t Generator::HashOf(const FormulaNode* node) const
{
    auto found = facts.find(node);
    return found != facts.end() ? found->second.hash : 0;
}

void Generator::Enter(const FormulaNode* parent, const FormulaNode* child)
{
    bool aggregate = IsRowAggregate(parent);
    if (IsLoopKind(parent->kind) || aggregate)
        ++loopContextDepth;
    if (aggregate)
        ++aggregateDepth;
    if (IsWellFormedLoop(parent) && child != parent->children[0] && activeLoops.Push(parent) != 0)
        Fail();
    int32_t index = child == parent->children[0]                          ? 0
                    : parent->childCount > 1 && child == parent->children[1] ? 1
                                                                           : IndexInParent(child);
    if (pathIndex.Push(index) != 0)
        Fail();
}

void Generator::Across(const FormulaNode* parent, const FormulaNode* from, const FormulaNode* to)
{
    if (pathIndex.count > 0)
        ++pathIndex[pathIndex.count - 1];
    if (!IsWellFormedLoop(parent))
        return;
    // The index equation comes first; the limit and the body hold the
    // loop's variable.
    if (from == parent->children[0] && to != parent->children[0] && activeLoops.Push(parent) != 0)
        Fail();
}

void Generator::Leave(const FormulaNode* child, const FormulaNode* parent)
{
    bool aggregate = IsRowAggregate(parent);
    if (IsLoopKind(parent->kind) || aggregate)
        --loopContextDepth;
    if (aggregate)
        --aggregateDepth;
    if (IsWellFormedLoop(parent) && child != parent->children[0] && activeLoops.count > 0)
        --activeLoops.count;
    if (pathIndex.count > 0)
        --pathIndex.count;
}

bool Generator::IsRowAggregate(const FormulaNode* node) const
{
    if (node->childCount < 1 || node->childCount > 2)
        return false;
    return IsAggregateKind(node->kind) || IsMinMaxOfTableData(node, doc);
}

// Variables that name something other than a value: a subscript's parts, a
// function's or table's name, e as the base of a power it raises.
bool Generator::IsSilentVariable(const FormulaNode* node) const
{
    if (node->kind != KindVariable)
        return false;
    if (HasParentKind(node, KindSubscript) || IsOperandAt(node, KindApplication, 0) ||
        IsOperandAt(node, KindInterpolate, 0))
        return true;
    return IsConstantE(node) && IsOperandAt(node, KindPower, 0) && !IsExponentTwo(node->parent);
}

// Loops and aggregates over rows change what their insides compute from one
// step to the next; branches and rational exponents do not leave one value
// that a later load could stand for.
bool Generator::IsInLoopOrBranchContext(const FormulaNode* node) const
{
    if (IsLoopKind(node->kind) || loopContextDepth > 0)
        return true;
    if (node->kind == KindIf || node->kind == KindBranchPiece || HasParentKind(node, KindBranch))
        return true;
    if (node->kind == KindFraction &&
        (HasParentKind(node, KindPower) || (HasParentKind(node, KindMinus) && HasParentKind(node->parent, KindPower))))
        return true;
    return IsMinusOfOverUnderPower(node) || !IsOneValue(node);
}

bool Generator::ReadsTableColumn(const FormulaNode* node) const
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(node)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindVariable && IsTableFunctionName(walk.Node()->payload.code, doc))
            return true;
    }
    return false;
}

// The subtree reads the variable of a loop around it (in the loop's limit or
// body), or a table column inside an aggregate over rows: its value changes
// from step to step, so no value from outside may stand for it.
bool Generator::UsesEnclosingLoopVariable(const FormulaNode* node) const
{
    if (activeLoops.count > 0) {
        for (PreorderWalk walk(const_cast<FormulaNode*>(node)); walk.Node(); walk.Next()) {
            for (const FormulaNode* loop : activeLoops) {
                if (TreesEqual(walk.Node(), LoopVariable(loop)))
                    return true;
            }
        }
    }
    return aggregateDepth > 0 && ReadsTableColumn(node);
}

bool Generator::IsTextOperand(const FormulaNode* node) const
{
    return node->kind == KindText || (node->kind == KindVariable && IsTextColumn(node->payload.code, doc));
}

bool Generator::MayHoist(const FormulaNode* node) const
{
    if (node->kind == KindVariable)
        return node->payload.code != slider && !IsReservedSymbol(node->payload.code) && !IsSilentVariable(node);
    return IsHoistable(node);
}

bool Generator::IsHoistedConstant(const FormulaNode* node) const
{
    if (!program.context || !IsHoistable(node) || IsSilentVariable(node))
        return false;
    if (node->kind == KindVariable && (node->payload.code == slider || IsConstantSymbol(node->payload.code)))
        return false;
    auto found = facts.find(node);
    if (found != facts.end() && found->second.simple)
        return found->second.descendantsConstant && IsConstantNode(node, doc, kConstantFlags, node);
    return IsConstantTreeWithParameters(node, doc);
}

// The loop's own slots: the entries made for this very loop, so that two
// loops over one variable never share a counter.
int32_t Generator::LoopSlotOf(const FormulaNode* loop) const
{
    const FormulaNode* variable = LoopVariable(loop);
    for (int32_t i = batch.locals.count - 1; i >= 0; --i) {
        if (batch.locals[i].bound && batch.locals[i].subtree == variable)
            return batch.locals[i].slot;
    }
    return -1;
}

// The counter slot when the node is the variable of a loop it stands in
// (in the limit or the body), else -1.
int32_t Generator::BoundLoopSlot(const FormulaNode* node) const
{
    if (node->kind != KindVariable && node->kind != KindSubscript)
        return -1;
    for (int32_t i = activeLoops.count - 1; i >= 0; --i) {
        if (TreesEqual(node, LoopVariable(activeLoops[i])))
            return LoopSlotOf(activeLoops[i]);
    }
    return -1;
}

int32_t Generator::AddLocal(FormulaNode* subtree, int32_t owner, int32_t slot, int32_t position, uint8_t bound,
                            uint64_t hash)
{
    if (batch.locals.Push({subtree, owner, slot, position, bound, hash}) != 0) {
        Fail();
        return -1;
    }
    if (!bound)
        batch.localIndex.emplace(hash, batch.locals.count - 1);
    return batch.locals.count - 1;
}

// The first entry of the list, in list order, whose subtree equals the
// node; -1 when none does.
template <typename Entry>
int32_t FindEqual(const GrowArray<Entry>& list, const SubtreeIndex& index, const FormulaNode* node, uint64_t hash)
{
    int32_t first = -1;
    auto range = index.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it) {
        int32_t i = it->second;
        if ((first < 0 || i < first) && TreesEqual(list[i].subtree, node))
            first = i;
    }
    return first;
}

bool Generator::HoistGridPart(FormulaNode* node)
{
    struct Axis {
        uint32_t first;
        uint32_t second;
        GrowArray<GridPart>& parts;
        int32_t opcode;
        SubtreeIndex& index;
    } axes[] = {
        {CodeU, CodeX, batch.xParts, OpLoadXPart, batch.partIndex[0]},
        {CodeV, CodeY, batch.yParts, OpLoadYPart, batch.partIndex[1]},
        {CodeZ, CodeZ, batch.zParts, OpLoadZPart, batch.partIndex[2]},
    };
    for (Axis& axis : axes) {
        bool onAxis = false;
        for (uint32_t code : {axis.first, axis.second})
            onAxis = onAxis || (DependsOnlyOn(node, doc, code) && ContainsSymbol(node, code));
        if (!onAxis)
            continue;
        if (UsesEnclosingLoopVariable(node))
            return false;
        uint64_t hash = HashOf(node);
        int32_t found = FindEqual(axis.parts, axis.index, node, hash);
        int32_t index = found >= 0 ? axis.parts[found].index : axis.parts.count;
        if (found < 0) {
            if (axis.parts.Push({node, index, hash}) != 0) {
                Fail();
                return true;
            }
            axis.index.emplace(hash, axis.parts.count - 1);
        }
        program.EmitInt(axis.opcode, index);
        return true;
    }
    return false;
}

// A load in place of the subtree: its grid part, or the slot of an equal
// subtree the batch computed before.
bool Generator::HoistSubtree(FormulaNode* node)
{
    if (batch.gridMode && HoistGridPart(node))
        return true;
    if (UsesEnclosingLoopVariable(node))
        return false;
    uint64_t hash = HashOf(node);
    int32_t local = FindEqual(batch.locals, batch.localIndex, node, hash);
    if (local >= 0) {
        program.EmitInt(OpLoadLocal, batch.locals[local].slot);
        return true;
    }
    int32_t done = FindEqual(batch.completed, batch.completedIndex, node, hash);
    if (done >= 0) {
        const CompletedEntry entry = batch.completed[done];
        int32_t slot = batch.locals.count;
        if (AddLocal(entry.subtree, entry.programIndex, slot, entry.position, 0, entry.hash) < 0)
            return true;
        program.EmitInt(OpLoadLocal, slot);
        return true;
    }
    return false;
}

void Generator::OpenAggregate(FormulaNode* node)
{
    int32_t slot = batch.locals.count;
    int32_t position = program.Count();
    if (AddLocal(nullptr, programIndex, slot, position, 1, 0) < 0 ||
        AddLocal(nullptr, programIndex, slot, position, 1, 0) < 0 || batch.aggregateSlots.Push(slot) != 0) {
        Fail();
        return;
    }
    int32_t opcode = IsAggregateKind(node->kind) ? OpBeginAggregate : OpBeginMinMax;
    program.EmitPointer(opcode, slot, MaxTableLengthOfTree(node, doc) - 1);
    program.EmitInt(OpLoopTest, slot);
    program.EmitInt(OpRowFromCounter, slot);
}

int32_t Generator::PopAggregateSlot()
{
    if (batch.aggregateSlots.count == 0) {
        Fail();
        return 0;
    }
    return batch.aggregateSlots[--batch.aggregateSlots.count];
}

// Counter k, limit k + 1 and start k + 2 of the loop whose index equation
// this is.
void Generator::EnterLoopSlots(FormulaNode* equation)
{
    FormulaNode* variable = equation->children[0];
    int32_t slot = batch.locals.count;
    for (int i = 0; i < 3; ++i) {
        if (AddLocal(variable, programIndex, slot, program.Count(), 1, 0) < 0)
            return;
    }
}

void Generator::EmitComputedSlot(uint8_t& done, int32_t slot)
{
    if (done) {
        program.EmitInt(OpLoadSlot, slot);
        return;
    }
    auto loadXY = [this] {
        program.EmitInt(OpLoadSlot, SlotX);
        program.EmitInt(OpLoadSlot, SlotY);
    };
    switch (slot) {
    case SlotR:
        loadXY();
        program.Emit(OpHypot);
        break;
    case SlotSphericalRadius:
        loadXY();
        program.Emit(OpHypot);
        program.EmitInt(OpLoadSlot, SlotZ);
        program.Emit(OpHypot);
        break;
    case SlotTheta:
        loadXY();
        program.Emit(OpAngle);
        break;
    case SlotPhi:
        program.EmitInt(OpLoadSlot, SlotZ);
        EmitR();
        program.Emit(OpAngle);
        break;
    default:
        break;
    }
    program.EmitInt(OpStoreSlot, slot);
    done = 1;
}

void Generator::EmitR()
{
    EmitComputedSlot(batch.rDone, SlotR);
}

void Generator::EmitVariable(const FormulaNode* node)
{
    uint32_t code = node->payload.code;
    switch (code) {
    case CodeU: program.EmitInt(OpLoadSlot, SlotU); return;
    case CodeV: program.EmitInt(OpLoadSlot, SlotV); return;
    case CodeW: program.EmitInt(OpLoadSlot, SlotW); return;
    case CodeX: program.EmitInt(OpLoadSlot, SlotX); return;
    case CodeY: program.EmitInt(OpLoadSlot, SlotY); return;
    case CodeZ: program.EmitInt(OpLoadSlot, SlotZ); return;
    case CodeDataRow: program.EmitInt(OpLoadSlot, SlotDataRow); return;
    default: break;
    }
    if (code == slider) {
        program.EmitInt(OpLoadSlot, SlotSlider);
        return;
    }
    switch (code) {
    case CodePi: program.EmitConstant(kPi); return;
    case CodeInf: program.EmitConstant(std::numeric_limits<double>::infinity()); return;
    case CodeDegree: program.EmitConstant(kDegree); return;
    case CodeLdots: program.EmitConstant(Undefined()); return;
    case CodeE: program.EmitConstant(kE); return;
    case CodeI: program.Emit(OpImaginaryUnit); return;
    case CodeR: EmitR(); return;
    case CodeSphericalRadius: EmitComputedSlot(batch.sphericalRadiusDone, SlotSphericalRadius); return;
    case CodeTheta: EmitComputedSlot(batch.thetaDone, SlotTheta); return;
    case CodePhi: EmitComputedSlot(batch.phiDone, SlotPhi); return;
    default: program.EmitInt(OpLoadParameter, static_cast<int32_t>(code)); return;
    }
}

// x_k reads the parameter keyed (k + 1) shifted left 16 bits, or'ed with x's
// code. An index that is no number or gives no key is undefined.
void Generator::EmitSubscript(const FormulaNode* node)
{
    if (node->childCount != 2 || node->children[0]->kind != KindVariable || node->children[1]->kind != KindNumber) {
        program.EmitConstant(Undefined());
        return;
    }
    double index = std::trunc(node->children[1]->payload.number->value);
    if (!(index >= 0.0 && index <= kLargestKeyedIndex)) {
        program.EmitConstant(Undefined());
        return;
    }
    uint32_t key = ((static_cast<uint32_t>(index) + 1u) << 16) | (node->children[0]->payload.code & 0xFFFFu);
    program.EmitInt(OpLoadParameter, static_cast<int32_t>(key));
}

// After the row loop: the step of the aggregate, the loop's end, the saved
// row back, and the running value that the aggregate keeps.
void Generator::EmitAggregateEnd(const FormulaNode* node)
{
    int32_t slot = PopAggregateSlot();
    bool weighted = node->childCount == 2;
    bool minMax = !IsAggregateKind(node->kind);
    if (minMax)
        program.Emit(weighted ? OpMinMaxWeighted : OpMinMaxStep);
    else
        program.Emit(weighted ? OpAggregateWeighted : OpAggregateStep);
    program.EmitInt(OpLoopEnd, slot);
    program.Emit(OpRestoreRow);
    switch (node->kind) {
    case KindMin:
    case KindAggregateSum:
        program.Emit(OpSwap);
        program.Emit(OpDrop);
        break;
    case KindMax:
    case KindCount:
        program.Emit(OpDrop);
        break;
    default:  // Mean
        program.Emit(OpSwap);
        program.Emit(OpDivide);
        break;
    }
}

void Generator::EmitByKind(FormulaNode* node)
{
    int32_t n = node->childCount;
    int32_t opcode = PlainOpcodeOf(node->kind);
    if (opcode >= 0) {
        program.Emit(opcode);
        return;
    }
    opcode = FoldOpcodeOf(node->kind);
    if (opcode >= 0) {
        for (int32_t i = 1; i < n; ++i)
            program.Emit(opcode);
        return;
    }
    opcode = ChainOpcodeOf(node->kind);
    if (opcode >= 0) {
        program.EmitInt(opcode, n);
        return;
    }
    switch (node->kind) {
    case KindNumber:
        if ((IsOperandAt(node, KindPower, 1) && IsNumberValue(node, 2.0)) || IsOperandAt(node, KindSubscript, 1))
            return;
        program.EmitConstant(node->payload.number->value);
        return;
    case KindVariable:
        if (!IsSilentVariable(node))
            EmitVariable(node);
        return;
    case KindText:
        program.EmitConstant(TextIdentityOf(node->Text()));
        return;
    case KindSubscript:
        EmitSubscript(node);
        return;
    case KindApplication:
        if (n == 2 && DocHasUserFunction(doc, node->children[0])) {
            const FormulaNode* argument = node->children[1];
            int32_t arguments = argument->kind == KindComma ? argument->childCount : 1;
            program.EmitPointer(OpCallUser, arguments, DocFindUserFunction(doc, node->children[0]));
        } else {
            program.Emit(OpFail);
        }
        return;
    case KindEquation:
    case KindNotEqual:
        if (node->kind == KindEquation && node->parent && IsWellFormedLoop(node->parent) &&
            node->parent->children[0] == node) {
            int32_t slot = LoopSlotOf(node->parent);
            program.EmitInt(OpStoreLocal, slot + 2);
            program.EmitInt(OpStoreAndDrop, slot);
        } else if (n == 2 && IsTextOperand(node->children[0]) && IsTextOperand(node->children[1])) {
            program.Emit(node->kind == KindEquation ? OpTextEqual : OpTextNotEqual);
        } else {
            program.EmitInt(node->kind == KindEquation ? OpEqual : OpNotEqual, n);
        }
        return;
    case KindLog:
        if (n == 1) {
            program.Emit(OpLog10);
        } else {
            // ln(operand 1) / ln(operand 2): the second operand is the base.
            program.Emit(OpLn);
            program.Emit(OpSwap);
            program.Emit(OpLn);
            program.Emit(OpSwap);
            program.Emit(OpDivide);
        }
        return;
    case KindSqrt:
        if (n == 1) {
            program.Emit(OpSqrt);
        } else {
            // The radicand to the power 1/index.
            program.EmitConstant(1.0);
            program.Emit(OpSwap);
            program.Emit(OpRationalPower);
        }
        return;
    case KindFraction:
        if (!IsFractionExponent(node))
            program.Emit(OpDivide);
        return;
    case KindPower:
        if (IsExponentTwo(node))
            program.Emit(OpSquare);
        else if (n == 2 && IsConstantE(node->children[0]))
            program.Emit(OpExp);
        else if (n == 2 && IsOverOrMinusOfOver(node->children[1]))
            program.Emit(OpRationalPower);
        else
            program.Emit(OpPower);
        return;
    case KindSn:
        // mantissa times 10 to the exponent
        program.EmitConstant(10.0);
        program.Emit(OpSwap);
        program.Emit(OpPower);
        program.Emit(OpMultiply);
        return;
    case KindIf:
        program.Emit(OpIf);
        program.hasBranches = 1;
        return;
    case KindBranchPiece:
        program.hasBranches = 1;
        return;
    case KindBranch:
        program.EmitInt(OpBranch, n);
        program.hasBranches = 1;
        return;
    case KindMin:
    case KindMax:
    case KindAggregateSum:
    case KindCount:
    case KindMean:
    case KindStdDev:
        if (IsRowAggregate(node)) {
            EmitAggregateEnd(node);
        } else if (node->kind == KindMin || node->kind == KindMax) {
            for (int32_t i = 1; i < n; ++i)
                program.Emit(node->kind == KindMin ? OpMin : OpMax);
        }
        return;
    case KindInterpolate: {
        const FormulaNode* table = n > 0 ? node->children[0] : nullptr;
        int32_t code = table && table->kind == KindVariable ? static_cast<int32_t>(table->payload.code) : 0;
        if (n == 2)
            program.EmitInt(OpInterpolate1, code);
        else if (n == 3)
            program.EmitInt(OpInterpolate2, code);
        return;
    }
    case KindSumLoop:
    case KindProductLoop:
        if (IsWellFormedLoop(node)) {
            int32_t slot = LoopSlotOf(node);
            bool sum = node->kind == KindSumLoop;
            if (!gridProgram)
                program.EmitInt(sum ? OpSumGuard : OpProductGuard, slot);
            program.Emit(sum ? OpAdd : OpMultiply);
            program.EmitInt(OpLoopEnd, slot);
        }
        return;
    case KindBoundVariable:
        program.EmitInt(OpLoadSlot, static_cast<int32_t>(node->payload.code));
        return;
    default:
        return;
    }
}

// Descends from the node to the next node whose own instruction is due,
// emitting on the way what goes before operands. Answers false when the
// node it stopped at was replaced by a load and is done.
bool Generator::Descend(FormulaNode*& node, bool atSibling)
{
    if (atSibling) {
        FormulaNode* parent = node->parent;
        if (IsWellFormedLoop(parent) && parent->children[2] == node) {
            // The body: store the limit, then test.
            int32_t slot = LoopSlotOf(parent);
            program.EmitInt(OpStoreAndDrop, slot + 1);
            program.EmitInt(OpLoopTest, slot);
        }
        if (IsOperandAt(node, KindColumnElement, 1))
            program.Emit(OpSelectRow);
    }
    for (;;) {
        if (node->kind == KindEquation && node->parent && IsWellFormedLoop(node->parent) &&
            node->parent->children[0] == node) {
            // The index variable is never compiled: the start comes next.
            EnterLoopSlots(node);
            Enter(node, node->children[1]);
            node = node->children[1];
            continue;
        }
        bool constant = IsHoistedConstant(node);
        bool hoistTried = false;
        bool aggregate = IsRowAggregate(node);
        if ((aggregate || IsWellFormedLoop(node)) && !constant) {
            // A load may stand for the whole loop; only then nothing of it is
            // emitted.
            hoistTried = true;
            if (!withLabels && MayHoist(node) && HoistSubtree(node))
                return false;
            if (aggregate)
                OpenAggregate(node);
            else
                program.EmitConstant(node->kind == KindSumLoop ? 0.0 : 1.0);
        }
        int32_t counter = BoundLoopSlot(node);
        if (counter >= 0) {
            program.EmitInt(OpLoadLocal, counter);
            return false;
        }
        if (!withLabels && !hoistTried && MayHoist(node) && HoistSubtree(node))
            return false;
        if (constant) {
            int32_t index = program.context->table ? program.context->table->Add(node) : -1;
            if (index < 0)
                Fail();
            else
                program.EmitInt(OpLoadConstant, index);
            return false;
        }
        if (node->childCount == 0 || node->kind == KindSubscript)
            return true;
        FormulaNode* child =
            node->kind == KindApplication && node->childCount >= 2 ? node->children[1] : node->children[0];
        Enter(node, child);
        node = child;
    }
}

uint32_t BranchNumber(const FormulaNode* branch)
{
    return branch->payload.code;
}

void Generator::Record(FormulaNode* node)
{
    uint64_t hash = HashOf(node);
    if (batch.completed.Push({node, programIndex, program.Count(), hash}) != 0) {
        Fail();
        return;
    }
    batch.completedIndex.emplace(hash, batch.completed.count - 1);
}

void Generator::AfterEmit(FormulaNode* node)
{
    if (!withLabels) {
        if (node->childCount > 0 && !IsInLoopOrBranchContext(node))
            Record(node);
        return;
    }
    // Labels for short-circuit branches; pairs are numbered from 0, so the
    // label after the last pair is the one its value skips to.
    FormulaNode* parent = node->parent;
    if (parent && parent->kind == KindBranch)
        program.EmitPointer(OpLabel, static_cast<int32_t>(BranchNumber(parent)), IndexInParent(node));
    if (node == root || !parent || parent->kind != KindBranchPiece || !HasParentKind(parent, KindBranch))
        return;
    const FormulaNode* branch = parent->parent;
    if (parent->children[0] == node)
        program.EmitPointer(OpSkipFalsePair, static_cast<int32_t>(BranchNumber(branch)), IndexInParent(parent));
    else if (parent->childCount > 1 && parent->children[1] == node)
        program.EmitPointer(OpSkipRestPairs, static_cast<int32_t>(BranchNumber(branch)), branch->childCount - 1);
}

bool HasShadowedLoopVariable(FormulaNode* tree)
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        const FormulaNode* loop = walk.Node();
        if (!IsWellFormedLoop(loop))
            continue;
        for (const FormulaNode* up = loop->parent; up; up = up->parent) {
            if (IsWellFormedLoop(up) && TreesEqual(LoopVariable(up), LoopVariable(loop)))
                return true;
        }
    }
    return false;
}

void Generator::Run()
{
    if (HasShadowedLoopVariable(root)) {
        program.EmitConstant(Undefined());
        return;
    }
    ComputeFacts();
    FormulaNode* node = root;
    bool emit = Descend(node, false);
    for (;;) {
        if (ShouldAbortComputation()) {
            aborted = true;
            Fail();
            return;
        }
        // A failed generation gives the undefined program whatever follows;
        // the walk's own bookkeeping may be incomplete after it.
        if (program.error)
            return;
        if (emit) {
            EmitByKind(node);
            AfterEmit(node);
        }
        if (node == root)
            return;
        FormulaNode* parent = node->parent;
        int32_t next = pathIndex.count > 0 ? pathIndex[pathIndex.count - 1] + 1 : IndexInParent(node) + 1;
        if (next < parent->childCount) {
            Across(parent, node, parent->children[next]);
            node = parent->children[next];
            emit = Descend(node, true);
        } else {
            Leave(node, parent);
            node = parent;
            emit = true;
        }
    }
}

void Generator::Finish()
{
    if (program.error) {
        program.MakeEndOnly();
        if (!aborted)
            PostFailure(FailureOutOfMemory);
    } else if (program.Emit(OpEnd) != 0) {
        program.MakeEndOnly();
        PostFailure(FailureOutOfMemory);
    }
    program.ComputeMaxStack();
    program.localBase = kLocalBase;
    program.localCount = batch.locals.count;
    program.stopRequested = 0;
    if (!withLabels)
        batch.programs[batch.programCount++] = &program;
}

}  // namespace

void GenerateProgram(BytecodeProgram& program, FormulaNode* tree, bool withLabels, bool gridProgram)
{
    CompileBatchState& batch = CurrentCompileBatch();
    bool ownBatch = !batch.open;
    if (ownBatch)
        BeginCompileBatch();
    uint32_t slider = DocSliderVariable(program.doc);
    Generator generator{program, tree, withLabels, gridProgram, program.doc, batch,
                        withLabels ? -1 : batch.programCount, slider};
    if (!withLabels && batch.programCount >= kMaxBatchPrograms) {
        // A batch holds at most 15 programs; one more is the undefined value.
        if (program.EmitConstant(Undefined()) != 0 || program.Emit(OpEnd) != 0)
            program.MakeEndOnly();
        program.ComputeMaxStack();
    } else {
        generator.Run();
        generator.Finish();
        generator.activeLoops.Clear();
        generator.pathIndex.Clear();
    }
    if (ownBatch)
        RaiseEvalFrameSlots(static_cast<uint32_t>(FinishCompileBatch()));
}
