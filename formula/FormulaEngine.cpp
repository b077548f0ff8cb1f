#include "formula/FormulaEngine.h"

#include "CoreUtilities/NumberText.h"
#include "editor/ScriptSizeTable.h"
#include "formula/NameRegistry.h"
#include "formula/NodePoolSet.h"

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
bool EngineStarted = false;

}  // namespace

// Right from the start, so that nothing reads a zero before the engine starts.
double UndefinedReal = kNaN;
double PositiveInfinity = std::numeric_limits<double>::infinity();
Interval UndefinedInterval{kNaN, kNaN};
ComplexValue UndefinedComplex{kNaN, kNaN};
ComplexInterval UndefinedComplexInterval{{kNaN, kNaN}, {kNaN, kNaN}};

bool InitFormulaEngine()
{
    if (EngineStarted)
        return true;
    CurrentScriptSizeTable = &DefaultScriptSizeTable;
    if (!CreateNodePoolSet())
        return false;
    UndefinedReal = kNaN;
    PositiveInfinity = std::numeric_limits<double>::infinity();
    UndefinedInterval = Interval{kNaN, kNaN};
    UndefinedComplex = ComplexValue{kNaN, kNaN};
    UndefinedComplexInterval = ComplexInterval{{kNaN, kNaN}, {kNaN, kNaN}};
    DecimalSeparator = GetLocaleDecimalSeparator();
    // Interned here, before any other thread can ask for them.
    InternStyleKeys();
    EngineStarted = true;
    return true;
}
