// Text broken into lines at blanks and line ends to fit a rectangle, drawn
// or only measured: captions, banners and the pane's printed texts.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/SystemFont.h"

#include <cstdint>

class PortDC;

constexpr int32_t kAlignLeft = 40003;
constexpr int32_t kAlignRight = 40004;
constexpr int32_t kAlignCenter = 40005;
constexpr int32_t kAlignJustify = 40006;

// With a rectangle of positive width: leading blanks skipped, each line as
// long as fits the width, one line height below the one before while lines
// fit above the bottom. measureOnly draws nothing and sets the rectangle's
// bottom (and, unless justified, its right edge) to the text's extent. An
// empty rectangle measures the text on one line. font null: the context's.
void DrawWrappedText(const char16_t* text, PortDC* dc, ShortRect& rect, int32_t alignment, bool measureOnly,
                     FontHandle font = nullptr);
