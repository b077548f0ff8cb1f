// The instruction set of compiled formulas: 104 opcodes shared by every
// interpreter. The numbers are fixed; programs hold them as plain int32.
#pragma once

#include <cstdint>

enum Opcode : int32_t {
    OpPushNumber = 0,       // push the double operand
    OpLoadSlot = 1,         // push frame slot a
    OpLoadLocal = 2,        // push local slot a
    OpLoadParameter = 3,    // push the document's value of name a at the current row
    OpStoreSlot = 4,        // store top into frame slot a; top stays
    OpStoreLocal = 5,       // store top into local slot a; top stays
    OpSwap = 6,
    OpDrop = 7,
    OpLoadXPart = 8,        // precomputed x-only part a of the current column
    OpLoadYPart = 9,
    OpLoadZPart = 10,
    OpLoadConstant = 11,    // constant a of the program's table
    OpAdd = 12,
    OpNop = 13,
    OpMultiply = 14,
    OpDivide = 15,
    OpPower = 16,
    OpAngle = 17,           // angle of the point (below, top) in [0, 2 pi)
    OpHypot = 18,
    OpInterval = 19,
    OpNegate = 20,
    OpAbs = 21,
    OpSign = 22,
    OpSqrt = 23,
    OpExp = 24,
    OpLog10 = 25,
    OpLn = 26,
    OpFactorial = 27,
    OpSquare = 28,
    OpSin = 29,
    OpCos = 30,
    OpTan = 31,
    OpCot = 32,
    OpSec = 33,
    OpCsc = 34,
    OpAsin = 35,
    OpAcos = 36,
    OpAtan = 37,
    OpAcot = 38,
    OpAsec = 39,
    OpAcsc = 40,
    OpSinh = 41,
    OpCosh = 42,
    OpTanh = 43,
    OpCoth = 44,
    OpSech = 45,
    OpCsch = 46,
    OpAsinh = 47,
    OpAcosh = 48,
    OpAtanh = 49,
    OpAcoth = 50,
    OpAsech = 51,
    OpAcsch = 52,
    OpLess = 53,            // chains of a operands
    OpGreater = 54,
    OpLeq = 55,
    OpGeq = 56,
    OpEqual = 57,
    OpTextEqual = 58,
    OpNotEqual = 59,
    OpTextNotEqual = 60,
    OpAnd = 61,
    OpOr = 62,
    OpNot = 63,
    OpRationalPower = 64,   // base, p, q (q on top)
    OpBesselJ = 65,
    OpFloor = 66,
    OpCeil = 67,
    OpIf = 68,
    OpBranch = 69,          // a (condition, value) pairs
    OpReal = 70,
    OpImag = 71,
    OpInf = 72,
    OpSup = 73,
    OpArg = 74,
    OpConjugate = 75,
    OpImaginaryUnit = 76,
    OpMod = 77,
    OpMin = 78,
    OpMax = 79,
    OpClamp = 80,
    OpBinomial = 81,
    OpFail = 82,            // ends the run with the undefined value
    OpInterpolate1 = 83,    // table a
    OpInterpolate2 = 84,
    OpCallUser = 85,        // a arguments, user function b
    OpLabel = 86,           // branch a, pair b
    OpSkipFalsePair = 87,
    OpSkipRestPairs = 88,
    OpStoreAndDrop = 89,    // local slot a
    OpLoopTest = 90,        // loop slot a, distance b
    OpLoopEnd = 91,
    OpSumGuard = 92,
    OpProductGuard = 93,
    OpRestoreRow = 94,
    OpRowFromCounter = 95,
    OpAggregateWeighted = 96,
    OpMinMaxWeighted = 97,
    OpAggregateStep = 98,
    OpMinMaxStep = 99,
    OpBeginAggregate = 100, // loop slot a, rows - 1 in b
    OpBeginMinMax = 101,
    OpSelectRow = 102,
    OpEnd = 103,
};

constexpr int32_t kOpcodeCount = 104;

// Which operand fields an opcode uses.
enum class OperandForm : uint8_t {
    None,
    Number,  // the double
    A,       // first int32
    AB,      // both int32
};

// How an opcode changes the depth of the value stack, as counted statically.
enum class StackRule : uint8_t {
    Fixed,        // by the effect column
    OneMinusN,    // 1 - a
    OneMinusTwoN, // 1 - 2a
    Ends,         // the run (and the count) stops here
};

struct OpcodeInfo {
    OperandForm form;
    StackRule rule;
    int8_t effect;
};

extern const OpcodeInfo OpcodeTable[kOpcodeCount];

// The static stack effect of an instruction with that opcode and first
// operand; 0 for opcodes that end the run or lie outside the set.
int32_t StaticStackEffect(int32_t opcode, int32_t a);
