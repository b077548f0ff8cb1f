#include "drawing/CoverageMask.h"

#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint8_t kFirstByteFields[4] = {0xFF, 0x3F, 0x0F, 0x03};
constexpr uint8_t kLastByteFields[4] = {0xC0, 0xF0, 0xFC, 0xFF};

void Merge(uint8_t& byte, uint8_t fields, uint8_t value)
{
    byte = static_cast<uint8_t>((byte & ~fields) | (value & fields));
}

void SetLevel(uint8_t* row, int column, int level)
{
    int shift = 6 - 2 * (column % 4);
    Merge(row[column / 4], static_cast<uint8_t>(3 << shift), static_cast<uint8_t>(level << shift));
}

// Shifts a row of n bytes by dh pixels as one string of bits.
void ShiftRow(uint8_t* row, int n, int dh)
{
    int bits = 2 * std::abs(dh), byteShift = bits / 8, bitShift = bits % 8;
    auto at = [&](int k) -> unsigned { return k >= 0 && k < n ? row[k] : 0u; };
    if (dh > 0) {
        for (int k = n - 1; k >= 0; --k) {
            int s = k - byteShift;
            row[k] = static_cast<uint8_t>(bitShift ? (at(s) >> bitShift) | (at(s - 1) << (8 - bitShift))
                                                   : at(s));
        }
    } else {
        for (int k = 0; k < n; ++k) {
            int s = k + byteShift;
            row[k] = static_cast<uint8_t>(bitShift ? (at(s) << bitShift) | (at(s + 1) >> (8 - bitShift))
                                                   : at(s));
        }
    }
}

}  // namespace

int MaskLevelAt(const uint8_t* mask, int32_t rowBytes, int row, int column)
{
    return (mask[static_cast<size_t>(row) * rowBytes + column / 4] >> (6 - 2 * (column % 4))) & 3;
}

void SetMaskSpan(uint8_t* row, int first, int end, int level)
{
    if (end <= first)
        return;
    uint8_t fill = static_cast<uint8_t>((level & 3) * 0x55);
    int o = first, e = end - 1;
    uint8_t head = kFirstByteFields[o % 4], tail = kLastByteFields[e % 4];
    if (o / 4 == e / 4) {
        Merge(row[o / 4], head & tail, fill);
        return;
    }
    Merge(row[o / 4], head, fill);
    std::memset(row + o / 4 + 1, fill, e / 4 - o / 4 - 1);
    Merge(row[e / 4], tail, fill);
}

void DrawMaskTinted(const uint8_t* mask, int32_t rowBytes, const ShortRect& src, RgbColor c,
                    const ShortRect& dst)
{
    if (ShortRectWidth(src) != ShortRectWidth(dst) || ShortRectHeight(src) != ShortRectHeight(dst))
        return;
    uint8_t* base = GetPortBaseAddress();
    int32_t portRowBytes = GetPortRowBytes();
    ShortRect bounds, area;
    GetPortBounds(bounds);
    if (!mask || !base || !IntersectShortRects(dst, bounds, area))
        return;
    // Every level scales a fixed colour by the pixel's luminance: halfway
    // to white, grey 255, or the colour itself.
    int weights[4][3] = {};
    for (int k = 0; k < 3; ++k) {
        int channel = (c >> (16 - 8 * k)) & 0xFF;
        weights[1][k] = (channel + 255) >> 1;
        weights[2][k] = 255;
        weights[3][k] = channel;
    }
    for (int y = area.top; y < area.bottom; ++y) {
        const uint8_t* levels = mask + static_cast<size_t>(y - dst.top) * rowBytes;
        auto* pixels = reinterpret_cast<uint32_t*>(base + static_cast<size_t>(y) * portRowBytes);
        for (int x = area.left; x < area.right; ++x) {
            int j = x - dst.left;
            // Most of a mask is empty: an empty byte passes four pixels.
            if (levels[j / 4] == 0) {
                x += 3 - j % 4;
                continue;
            }
            int level = (levels[j / 4] >> (6 - 2 * (j % 4))) & 3;
            if (level) {
                int l = PixelLuminance(pixels[x]);
                const int* w = weights[level];
                pixels[x] = static_cast<uint32_t>(((l * w[0]) >> 8) << 16 | ((l * w[1]) >> 8) << 8 | (l * w[2]) >> 8);
            }
        }
    }
}

void FillMaskRect(uint8_t* mask, int32_t rowBytes, const ShortRect& maskRect, const ShortRect& r,
                  int level)
{
    ShortRect area;
    if (!mask || !IntersectShortRects(r, maskRect, area))
        return;
    for (int y = area.top; y < area.bottom; ++y)
        SetMaskSpan(mask + static_cast<size_t>(y - maskRect.top) * rowBytes,
                    area.left - maskRect.left, area.right - maskRect.left, level);
}

void ScrollMask(uint8_t* mask, int32_t rowBytes, const ShortRect& maskRect, int dh, int dv)
{
    int width = ShortRectWidth(maskRect), height = ShortRectHeight(maskRect);
    if (!mask || width <= 0 || height <= 0)
        return;
    auto row = [&](int i) { return mask + static_cast<size_t>(i) * rowBytes; };
    if (std::abs(dh) >= width || std::abs(dv) >= height) {
        std::memset(mask, 0, static_cast<size_t>(height) * rowBytes);
        return;
    }
    if (dv > 0) {
        for (int i = height - 1; i >= dv; --i)
            std::memcpy(row(i), row(i - dv), rowBytes);
        std::memset(row(0), 0, static_cast<size_t>(dv) * rowBytes);
    } else if (dv < 0) {
        for (int i = 0; i < height + dv; ++i)
            std::memcpy(row(i), row(i - dv), rowBytes);
        std::memset(row(height + dv), 0, static_cast<size_t>(-dv) * rowBytes);
    }
    if (dh == 0)
        return;
    int bytes = (width + 3) / 4;
    for (int i = 0; i < height; ++i) {
        ShiftRow(row(i), bytes, dh);
        if (dh > 0)
            SetMaskSpan(row(i), 0, dh, 0);
        else
            SetMaskSpan(row(i), width + dh, width, 0);
    }
}

void CopyMaskRect(const uint8_t* src, int32_t srcRowBytes, ShortPoint srcOrigin,
                  const ShortRect& srcRect, uint8_t* dst, int32_t dstRowBytes,
                  const ShortRect& dstMaskRect, const ShortRect& dstRect)
{
    if (!src || !dst)
        return;
    // Destination pixel (y, x) takes source pixel (y + dy, x + dx).
    int dy = srcRect.top - dstRect.top, dx = srcRect.left - dstRect.left;
    int top = std::max({int{dstRect.top}, int{dstMaskRect.top}, srcOrigin.v - dy});
    int left = std::max({int{dstRect.left}, int{dstMaskRect.left}, srcOrigin.h - dx});
    int bottom = std::min({int{dstRect.bottom}, int{dstMaskRect.bottom}, srcRect.bottom - dy});
    int right = std::min({int{dstRect.right}, int{dstMaskRect.right}, srcRect.right - dx,
                          srcOrigin.h + 4 * srcRowBytes - dx});
    if (right <= left)
        return;
    for (int y = top; y < bottom; ++y) {
        const uint8_t* from = src + static_cast<size_t>(y + dy - srcOrigin.v) * srcRowBytes;
        uint8_t* to = dst + static_cast<size_t>(y - dstMaskRect.top) * dstRowBytes;
        int d = left - dstMaskRect.left, s = left + dx - srcOrigin.h, n = right - left;
        auto copyPixel = [&] {
            SetLevel(to, d, (from[s / 4] >> (6 - 2 * (s % 4))) & 3);
            ++d, ++s, --n;
        };
        // Whole bytes where both rows share their byte edges, pixels elsewhere.
        if (d % 4 == s % 4) {
            while (n > 0 && d % 4 != 0)
                copyPixel();
            std::memcpy(to + d / 4, from + s / 4, n / 4);
            d += n / 4 * 4, s += n / 4 * 4, n %= 4;
        }
        while (n > 0)
            copyPixel();
    }
}
