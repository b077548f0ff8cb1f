// Text labels of the software renderer: the text as a texture on a quad
// whose top-left corner is the anchor, its background transparent.
// User-interface thread only (the label texture cache is not guarded).
#pragma once

#include "rendering/ScreenVertex.h"
#include "rendering/SoftwareBuffers.h"

#include <cstdint>
#include <string>

struct DocState;
struct SoftwareTexture;

// The one label texture kept between frames, with what it was made for.
struct LabelTextureCache {
    std::u16string text;
    float size = 0;
    uint32_t colour = 0;
    uint8_t backgroundType = 0;
    uint32_t backgroundColour = 0;
    SoftwareTexture* texture = nullptr;
    float width = 0;
    float lineHeight = 0;
};
LabelTextureCache& GetLabelTextureCache();
void ReleaseLabelTextureCache();

// Draws the label when the anchor lies in the view (edges included).
bool RasterizeLabel(const ScreenVertex& anchor, const char16_t* text, float size, SoftwareTarget& target,
                    const DocState* doc);
bool DrawLabelQuad(const ScreenVertex& anchor, const char16_t* text, float size, SoftwareTarget& target,
                   const DocState* doc);
