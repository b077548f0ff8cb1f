// Label quads: the cached text texture on two textured triangles.
#include "rendering/SoftwareLabels.h"

#include "rendering/SoftwarePointsAndLines.h"
#include "rendering/SoftwareTextures.h"
#include "rendering/SoftwareTriangles.h"

#include "document/DocState.h"
#include "drawing/TextFont.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t ColourByte(float channel)
{
    return static_cast<uint32_t>(std::clamp(channel == channel ? channel : 0.0f, 0.0f, 1.0f) * 255);
}

}  // namespace

LabelTextureCache& GetLabelTextureCache()
{
    static LabelTextureCache cache;
    return cache;
}

void ReleaseLabelTextureCache()
{
    LabelTextureCache& cache = GetLabelTextureCache();
    FreeSoftwareTexture(cache.texture);
    cache = LabelTextureCache{};
}

bool RasterizeLabel(const ScreenVertex& anchor, const char16_t* text, float size, SoftwareTarget& target,
                    const DocState* doc)
{
    return PointInView(anchor, target) ? DrawLabelQuad(anchor, text, size, target, doc) : true;
}

bool DrawLabelQuad(const ScreenVertex& anchor, const char16_t* text, float size, SoftwareTarget& target,
                   const DocState* doc)
{
    if (!text)
        return true;
    const uint32_t colour = ColourByte(anchor.red) << 16 | ColourByte(anchor.green) << 8 | ColourByte(anchor.blue);
    const uint8_t type = doc ? doc->BackgroundType : 0;
    const uint32_t background =
        doc ? uint32_t{doc->BackgroundColor[0]} << 16 | uint32_t{doc->BackgroundColor[1]} << 8 | doc->BackgroundColor[2]
            : 0;
    LabelTextureCache& cache = GetLabelTextureCache();
    // Keyed on the text itself: a new string may take a freed one's address.
    const bool sameSize = cache.size == size || (cache.size != cache.size && size != size);
    if (!cache.texture || cache.text != text || !sameSize || cache.colour != colour ||
        cache.backgroundType != type || cache.backgroundColour != background) {
        FreeSoftwareTexture(cache.texture);
        cache.texture = CreateTextTexture(text, size, colour, doc);
        const float used = std::isfinite(size) && size > 0 && size < 100 ? size : 9;
        TextFont font("Times New Roman", used, false, false);
        cache.text = text;
        cache.size = size;
        cache.colour = colour;
        cache.backgroundType = type;
        cache.backgroundColour = background;
        cache.width = MeasureTextWidth(text, font);
        cache.lineHeight = 1.5f * used;
    }
    if (!cache.texture)
        return true;
    ScreenVertex topLeft = anchor, topRight = anchor, bottomRight = anchor, bottomLeft = anchor;
    topLeft.u = 0, topLeft.v = 1;
    topRight.x += cache.width, topRight.u = 1, topRight.v = 1;
    bottomRight.x += cache.width, bottomRight.y += cache.lineHeight, bottomRight.u = 1, bottomRight.v = 0;
    bottomLeft.y += cache.lineHeight, bottomLeft.u = 0, bottomLeft.v = 0;
    return RasterizeTexturedTriangle(cache.texture, topLeft, topRight, bottomRight, target) &&
           RasterizeTexturedTriangle(cache.texture, bottomRight, bottomLeft, topLeft, target);
}
