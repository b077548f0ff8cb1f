#include "editor/TypesetMetrics.h"

#include "formula/ScriptSizeTable.h"

#include <algorithm>

TypesetMetrics Typeset{24.0f, 24.0f, 6.0f, 1.2f, 2.4f, false, false};

void SetTypesetMetrics(float s)
{
    Typeset.size = s;
    Typeset.atomHeight = s;
    Typeset.atomDepth = s / 4;
    Typeset.lineWidth = s / 20;
    Typeset.tenth = s * 0.1f;
}

void SetTypesetBold()
{
    Typeset.bold = true;
}

void SetTypesetItalic()
{
    Typeset.italic = true;
}

void ClearTypesetStyle()
{
    Typeset.bold = false;
    Typeset.italic = false;
}

float ScriptLevelSize(int level)
{
    const ScriptSizeTable* table = CurrentScriptSizeTable ? CurrentScriptSizeTable : &DefaultScriptSizeTable;
    return table->size[std::clamp(level, 0, kScriptLevels - 1)];
}
