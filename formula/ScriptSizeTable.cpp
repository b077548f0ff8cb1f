#include "formula/ScriptSizeTable.h"

#include <algorithm>

namespace {

constexpr float kDefaultFontSize = 24.0f;
constexpr float kSmallestSize = 9.0f;
constexpr float kScriptStep = 0.8f;

ScriptSizeTable MakeDefaultTable()
{
    ScriptSizeTable table{};
    FillScriptSizeTable(table, kDefaultFontSize);
    return table;
}

}  // namespace

ScriptSizeTable DefaultScriptSizeTable = MakeDefaultTable();
ScriptSizeTable* CurrentScriptSizeTable = nullptr;

void FillScriptSizeTable(ScriptSizeTable& table, float base)
{
    float top = std::max(base, kSmallestSize);
    float third = std::max(kScriptStep * top, kSmallestSize);
    float small = std::max(kScriptStep * third, kSmallestSize);
    table = ScriptSizeTable{{top, top, top, third, small, small}};
}
