// The vocabulary of formula trees: every node kind the user can type, in one
// table indexed by kind - 4096, and the internal kinds the analysis, the
// derivative code and the compiler make.
#pragma once

#include <cstdint>

struct FormulaNode;

enum NodeKind : int32_t {
    KindNumber = 4096,
    KindPlaceholder = 4097,
    KindVariable = 4098,
    KindText = 4099,
    KindSubscript = 4100,
    KindMatrix = 4101,
    KindProduct = 4102,
    KindApplication = 4103,
    KindSum = 4104,
    KindEquation = 4105,
    KindComma = 4106,
    KindNotEqual = 4107,
    KindLess = 4108,
    KindLeq = 4109,
    KindGreater = 4110,
    KindGeq = 4111,
    KindIn = 4112,
    KindSubstitution = 4113,
    KindFact = 4114,
    KindSuperscriptT = 4115,
    KindPlusOrMinus = 4116,
    KindMinusOrPlus = 4117,
    KindMinus = 4118,
    KindSin = 4119,
    KindCos = 4120,
    KindTan = 4121,
    KindCot = 4122,
    KindCsc = 4123,
    KindSec = 4124,
    KindAsin = 4125,
    KindAcos = 4126,
    KindAtan = 4127,
    KindAcot = 4128,
    KindAcsc = 4129,
    KindAsec = 4130,
    KindSinh = 4131,
    KindCosh = 4132,
    KindTanh = 4133,
    KindCoth = 4134,
    KindCsch = 4135,
    KindSech = 4136,
    KindAsinh = 4137,
    KindAcosh = 4138,
    KindAtanh = 4139,
    KindAcoth = 4140,
    KindAcsch = 4141,
    KindAsech = 4142,
    KindSgn = 4143,
    KindLog = 4144,
    KindSqrt = 4145,
    KindGrad = 4146,
    KindDiv = 4147,
    KindCurl = 4148,
    KindLap = 4149,
    KindOpTotal = 4150,
    KindOpPartial = 4151,
    KindSigma = 4152,
    KindCapitalPi = 4153,
    KindLeftParen = 4154,
    KindParentheses = 4155,
    KindAbs = 4156,
    KindOverline = 4157,
    KindFraction = 4158,
    KindPower = 4159,
    KindSn = 4160,
    KindChoice = 4161,
    KindInterval = 4162,
    KindDot = 4163,
    KindCross = 4164,
    KindFloor = 4165,
    KindCeil = 4166,
    KindLn = 4167,
    KindExp = 4168,
    KindArg = 4169,
    KindImag = 4170,
    KindReal = 4171,
    KindPrime = 4172,
    KindHat = 4173,
    KindBesselJ = 4174,
    KindIf = 4175,
    KindBranch = 4176,
    KindIntegral = 4177,
    KindMod = 4178,
    KindMin = 4179,
    KindMax = 4180,
    KindClamp = 4181,
    KindAggregateSum = 4182,
    KindCount = 4183,
    KindMean = 4184,
    KindStdDev = 4185,
    KindRe = 4186,
    KindIm = 4187,
    KindSlider = 4188,
    KindSet = 4189,
    KindTranspose = 4190,
    KindTrace = 4191,
    KindDet = 4192,
    KindRotate = 4193,
    KindInterpolate = 4194,
    KindAnd = 4195,
    KindOr = 4196,
    KindNot = 4197,
    KindInf = 4198,
    KindSup = 4199,

    // Internal kinds: never typed, never shown.
    KindPartialDerivative = 8081,  // expression, variable
    KindTotalDerivative = 8082,    // expression, variable
    KindParsedSummation = 8083,    // one four-item comma list, as read
    KindParsedBracket = 8084,      // content, as read
    KindPointAngle = 8085,         // two coordinates; angle in [0, 2 pi)
    KindSumLoop = 8086,            // equation (index = start), end, body
    KindComplexPair = 8087,        // real and imaginary parts
    KindColumnElement = 8088,      // index, column
    KindProductLoop = 8089,        // equation (index = start), end, body
    KindBoundVariable = 8090,      // no children; code or numbered key in the payload
    KindConditionList = 8091,      // items, true when every item is
    KindBooleanMark = 8092,        // counts as boolean; never made
    KindBranchPiece = 8093,        // condition, value
};

constexpr int32_t kFirstTableKind = KindNumber;
constexpr int32_t kNodeKindCount = 104;

enum class SyntaxClass : uint8_t {
    Structure = 0,  // subscript, matrix
    TwoPlace = 1,   // laid out around two or more slots
    Postfix = 2,
    Prefix = 3,
    Enclosing = 4,  // brackets around the content
    Infix = 5,      // n-ary operator rows
    Leaf = 6,
};

// The typesetter's layout routine for a kind; the typesetter dispatches on it.
enum class TypesetRoutine : uint8_t {
    Number,
    PlaceholderBox,
    Variable,
    Text,
    Subscript,
    MatrixGrid,
    OperatorRow,
    Application,
    SubstitutionBar,
    PostfixMark,
    TransposeMark,
    Sign,
    FunctionName,
    Logarithm,
    Radical,
    Gradient,
    DivergenceOrCurl,
    Laplacian,
    DerivativeOperator,
    LargeOperator,
    BracketPair,
    AbsoluteBars,
    Overline,
    Fraction,
    Superscript,
    Sn,
    Interval,
    FloorBrackets,
    CeilingBrackets,
    Hat,
    Bessel,
    BraceOfPieces,
    IntegralSign,
    SetBraces,
};

struct NodeKindEntry {
    int32_t kind;
    const char16_t* name;  // null for kinds written with a character
    TypesetRoutine routine;
    SyntaxClass syntaxClass;
    uint32_t displayChar;      // 0 when none
    uint8_t constantPreserving;  // constant children make a constant node
};

extern const NodeKindEntry NodeKindTable[kNodeKindCount];

// The entry of a table kind, null for any other kind.
const NodeKindEntry* NodeKindEntryOf(int32_t kind);

// The first kind whose name equals the name (case matters), or 0.
int32_t KindFromName(const char16_t* name);
// The same for a UTF-8 name.
int32_t KindFromName8(const char* name);

bool IsNamedFunctionKind(int32_t kind);
bool IsAggregateKind(int32_t kind);
bool IsBooleanKind(int32_t kind);
bool HasParentKind(const FormulaNode* node, int32_t kind);
bool IsVariable(const FormulaNode* node, uint32_t code);
bool IsEllipsisSymbol(const FormulaNode* node);
