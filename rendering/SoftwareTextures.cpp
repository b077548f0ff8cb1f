// Pictures into textures, stretched nearest-pixel as the window system's
// picture blit does it (alpha kept, colour kept under alpha 0).
#include "rendering/SoftwareTextures.h"

#include "rendering/GLFunctions.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "drawing/TextFont.h"
#include "platform/PortDC.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_CLAMP
#define GL_CLAMP 0x2900
#endif

namespace {

constexpr int32_t kLevels = 10;
constexpr int32_t kFullSize = 512;

// The picture's rows (bottom first, as stored); false for a picture that is
// not a whole 32-bit image.
struct PictureRows {
    const uint32_t* pixels = nullptr;
    int32_t width = 0, height = 0;
};
bool LockPictureRows(PictureHandle picture, PictureRows& out)
{
    const auto* header = picture ? static_cast<const DibHeader*>(LockGlobalHandle(picture)) : nullptr;
    if (!header)
        return false;
    const uint64_t width = header->biWidth > 0 ? static_cast<uint64_t>(header->biWidth) : 0;
    const uint64_t height = static_cast<uint64_t>(std::llabs(int64_t{header->biHeight}));
    const uint64_t size = GlobalHandleSize(picture);
    const uint64_t offset = static_cast<uint64_t>(GetPackedDibBits(header) - reinterpret_cast<const uint8_t*>(header));
    if (header->biSize != sizeof(DibHeader) || header->biBitCount != 32 || width == 0 || height == 0 ||
        width > 32767 || height > 32767 || size < offset || (size - offset) / 4 / width < height) {
        UnlockGlobalHandle(picture);
        return false;
    }
    out = PictureRows{reinterpret_cast<const uint32_t*>(GetPackedDibBits(header)), static_cast<int32_t>(width),
                      static_cast<int32_t>(height)};
    return true;
}

// The picture stretched over width x height, nearest pixel, rows in the
// picture's order: the stretch the window system's picture blit makes.
// Empty for an unusable picture.
std::vector<uint32_t> Stretched(PictureHandle picture, int32_t width, int32_t height)
{
    PictureRows rows;
    if (!LockPictureRows(picture, rows))
        return {};
    std::vector<uint32_t> out(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* in = rows.pixels + static_cast<size_t>(int64_t{y} * rows.height / height) * rows.width;
        for (int32_t x = 0; x < width; ++x)
            out[static_cast<size_t>(y) * width + x] = in[int64_t{x} * rows.width / width];
    }
    UnlockGlobalHandle(picture);
    return out;
}

uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8)
        out |= (((a >> k & 0xFF) + (b >> k & 0xFF) + (c >> k & 0xFF) + (d >> k & 0xFF)) >> 2) << k;
    return out;
}

}  // namespace

int32_t TextureSizeFor(int32_t n)
{
    int32_t size = 4;
    while (size < n && size < kFullSize)
        size *= 2;
    return size;
}

SoftwareTexture* MakeSoftwareTexture(PictureHandle picture, const DocState* doc, bool colourKey)
{
    auto* texture = static_cast<SoftwareTexture*>(BudgetMalloc(kSoftwareTextureBytes, false));
    if (!texture) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    const std::vector<uint32_t> image = Stretched(picture, kFullSize, kFullSize);
    if (image.empty()) {
        BudgetFree(texture);
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    auto* texels = reinterpret_cast<uint32_t*>(texture + 1);
    for (int32_t k = 0; k < kLevels; ++k) {
        texture->levels[k] = texels;
        texels += (1 << k) * (1 << k);
    }
    uint32_t* full = texture->levels[kLevels - 1];
    const size_t count = size_t{kFullSize} * kFullSize;
    std::memcpy(full, image.data(), 4 * count);
    if (colourKey) {
        uint32_t key = 0xFFFFFF;
        if (doc && doc->BackgroundType == 0)
            key = uint32_t{doc->BackgroundColor[0]} << 16 | uint32_t{doc->BackgroundColor[1]} << 8 |
                  doc->BackgroundColor[2];
        for (size_t i = 0; i < count; ++i)
            full[i] = (full[i] & 0xFFFFFF) | ((full[i] & 0xFFFFFF) == key ? 0 : 0xFF000000u);
    } else {
        bool anyAlpha = false;
        for (size_t i = 0; i < count && !anyAlpha; ++i)
            anyAlpha = (full[i] >> 24) != 0;
        if (!anyAlpha)
            for (size_t i = 0; i < count; ++i)
                full[i] |= 0xFF000000u;
    }
    for (int32_t k = kLevels - 2; k >= 0; --k) {
        const int32_t size = 1 << k;
        const uint32_t* larger = texture->levels[k + 1];
        uint32_t* level = texture->levels[k];
        for (int32_t y = 0; y < size; ++y)
            for (int32_t x = 0; x < size; ++x) {
                const uint32_t* p = larger + 2 * y * 2 * size + 2 * x;
                level[y * size + x] = Average4(p[0], p[1], p[2 * size], p[2 * size + 1]);
            }
    }
    return texture;
}

void FreeSoftwareTexture(SoftwareTexture* texture)
{
    BudgetFree(texture);
}

SoftwareTexture* CreateTextTexture(const char16_t* text, float size, uint32_t colour, const DocState* doc)
{
    if (!text)
        return nullptr;
    if (!(std::isfinite(size) && size > 0 && size < 100))
        size = 9;
    TextFont font("Times New Roman", size, false, false);
    const int32_t width = std::max(1, static_cast<int32_t>(std::ceil(MeasureTextWidth(text, font))));
    const int32_t height = std::max(1, static_cast<int32_t>(1.5f * size));
    if (width > 32767) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    uint32_t background = 0xFFFFFF;
    if (doc && doc->BackgroundType == 0)
        background = uint32_t{doc->BackgroundColor[0]} << 16 | uint32_t{doc->BackgroundColor[1]} << 8 |
                     doc->BackgroundColor[2];
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, background);
    if (PortDC* dc = PortDC::NewForPixels(pixels.data(), width, height, 4 * width)) {
        auto colorRef = [](uint32_t rgb) { return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); };
        dc->FillRect(ShortRect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)},
                     colorRef(background));
        dc->SetTextColor(colorRef(colour));
        dc->SetBackgroundMode(BackgroundMode::Transparent);
        dc->MoveTo(0, static_cast<int>(size));
        DrawTextAtPen(text, font, dc);
        delete dc;
    }
    PictureHandle picture =
        NewPictureHandle(ShortRect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)});
    if (!picture)
        return nullptr;
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    uint8_t* bits = GetPackedDibBits(header);
    // Pictures keep their bottom row first.
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(bits + static_cast<size_t>(height - 1 - y) * 4 * width, pixels.data() + static_cast<size_t>(y) * width,
                    4 * static_cast<size_t>(width));
    UnlockGlobalHandle(picture);
    SoftwareTexture* texture = MakeSoftwareTexture(picture, doc, true);
    FreeGlobalHandle(picture);
    return texture;
}

uint32_t CreateGLTextureFromPicture(PictureHandle picture, GLFunctions& gl)
{
    PictureRows rows;
    if (!LockPictureRows(picture, rows))
        return 0;
    UnlockGlobalHandle(picture);
    const int32_t width = TextureSizeFor(rows.width), height = TextureSizeFor(rows.height);
    std::vector<uint32_t> image = Stretched(picture, width, height);
    if (image.empty())
        return 0;
    // Stored bottom row first; the texture starts with the top row.
    for (int32_t y = 0; y < height / 2; ++y)
        std::swap_ranges(image.begin() + y * width, image.begin() + (y + 1) * width,
                         image.begin() + (height - 1 - y) * width);
    const uint32_t name = NewBoundTexture2D(gl, GL_CLAMP, GL_LINEAR);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, width);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, image.data());
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return name;
}

uint32_t NewBoundTexture2D(GLFunctions& gl, int wrap, int filter)
{
    const uint32_t name = gl.GenTexture();
    gl.BindTexture(GL_TEXTURE_2D, name);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    return name;
}
