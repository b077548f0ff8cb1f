// 2-bit coverage masks: four pixels a byte, the leftmost in bits 7-6, rows
// rowBytes apart. Level 0 leaves a pixel alone, 1 tints it halfway to white,
// 2 greys it, 3 tints it with the full colour. A mask covers its own
// rectangle (maskRect) of the view; the operations never reach outside it.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

int MaskLevelAt(const uint8_t* mask, int32_t rowBytes, int row, int column);
// Sets columns [first, end) of one mask row.
void SetMaskSpan(uint8_t* row, int first, int end, int level);

// Tints the locked port's pixels of dst by the mask, whose first byte is
// src's top-left pixel; nothing when src and dst differ in size.
void DrawMaskTinted(const uint8_t* mask, int32_t rowBytes, const ShortRect& src, RgbColor c,
                    const ShortRect& dst);
void FillMaskRect(uint8_t* mask, int32_t rowBytes, const ShortRect& maskRect, const ShortRect& r,
                  int level);
// Moves the contents by dh columns (right for positive) and dv rows (down
// for positive), clearing what is uncovered.
void ScrollMask(uint8_t* mask, int32_t rowBytes, const ShortRect& maskRect, int dh, int dv);
// Copies the levels of dstRect from the source mask's srcRect (same size);
// srcOrigin is the source mask's top-left. Only the pixels of dstRect change.
void CopyMaskRect(const uint8_t* src, int32_t srcRowBytes, ShortPoint srcOrigin,
                  const ShortRect& srcRect, uint8_t* dst, int32_t dstRowBytes,
                  const ShortRect& dstMaskRect, const ShortRect& dstRect);
