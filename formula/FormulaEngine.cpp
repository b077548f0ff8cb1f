#include "formula/FormulaEngine.h"

#include "formula/NameRegistry.h"
#include "formula/NodePoolSet.h"
#include "formula/ScriptSizeTable.h"
#include "platform/NumberText.h"

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
bool EngineStarted = false;

}  // namespace

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
