// The typesetter's six font sizes by script level.
#pragma once

constexpr int kScriptLevels = 6;

struct ScriptSizeTable {
    float size[kScriptLevels];
};

// The sizes for base size b: levels 0-2 max(b, 9), level 3 max(0.8 x level 2,
// 9), levels 4 and 5 max(0.8 x level 3, 9).
void FillScriptSizeTable(ScriptSizeTable& table, float base);

// The table filled for the default document font size.
extern ScriptSizeTable DefaultScriptSizeTable;
// The table the typesetter lays out with.
extern ScriptSizeTable* CurrentScriptSizeTable;
