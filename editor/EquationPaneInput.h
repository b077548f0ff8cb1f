// The equation pane's input helpers the view and the layout share.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

struct DocState;
struct EditorState;

// A formula's rectangle in the pane: as wide as its widest display line (the
// wrap width when it wraps) and as high as all its lines.
struct FormulaRect {
    ShortRect rect;
};
FormulaRect FormulaRectOf(EditorState* state);

// The caret's hint: 28 at the end of an exponent, 29 at the end of a
// denominator, 30 on a product written like f(x), else 0.
int32_t EditHintCode(DocState* doc);
