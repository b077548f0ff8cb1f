#include "editor/LineWrapping.h"

#include "editor/FormulaDrawingPort.h"
#include "formula/EditorState.h"

void WrapMoveTo(float x, float y)
{
    FormulaMoveTo(x, y);
}

void ComputeLineBreaks(EditorState* state)
{
    if (state)
        state->lineCount = 1;
}
