// Pictures stored in documents: a picture becomes a PNG (palette form for
// up to 256 colours, else RGB), written as base64 text, and such text
// becomes a picture again.
#pragma once

#include "CoreUtilities/PagedBuffer.h"
#include "CoreUtilities/PictureHandle.h"

#include <cstddef>
#include <cstdint>

// A locked 32-bit surface: pixels are blue, green, red and an ignored byte.
struct PngImage {
    const uint8_t* base;
    int32_t pitch;
    int32_t width;
    int32_t height;
};

// Colours in the order first met (rows top to bottom, pixels left to
// right), as 0x00RRGGBB, with a table from colour to 1-based number.
struct PngPalette {
    int32_t count;
    uint32_t colors[256];
    uint32_t slotColor[1024];
    uint16_t slotNumber[1024];  // 0 for an empty slot
};

// Null for more than 256 colours or without memory; free with BudgetFree.
PngPalette* BuildPalette(const PngImage& image);
// The palette index of a colour; -1 when absent.
int32_t PaletteIndex(const PngPalette& palette, uint32_t color);
// The bits per pixel the palette form uses for that many colours.
int32_t PaletteBitDepth(int32_t colors);
// Each row ceil(width x depth / 8) bytes, back to back, first pixel in the
// top bits; null without memory. Free with BudgetFree.
uint8_t* PackPaletteRows8(const PngImage& image, const PngPalette& palette);
uint8_t* PackPaletteRows4(const PngImage& image, const PngPalette& palette);
uint8_t* PackPaletteRows2(const PngImage& image, const PngPalette& palette);
uint8_t* PackPaletteRows1(const PngImage& image, const PngPalette& palette);

// A new PNG in a budgeted PagedBuffer (free with FreePngBuffer), or null.
// transparentBgr: blue, green, red of the colour to make transparent, or null.
PagedBuffer* EncodePng(const PngImage& image, int32_t depth, const PngPalette* palette,
                       const uint8_t* packedRows, const uint8_t* transparentBgr);
PagedBuffer* WritePictureAsPng(PictureHandle picture, const uint8_t* transparentBgr);
void FreePngBuffer(PagedBuffer* buffer);

// Appends the picture's PNG as base64 text (no quotes) to the top text
// buffer; false, with nothing appended, when it cannot be made.
bool WritePictureText(PictureHandle picture);

// Pictures wider or taller than this are refused before anything is made.
constexpr uint32_t kMaxPictureSide = 32767;
// The picture of PNG bytes, or null when they are not a PNG the program can
// hold. An image larger than a picture may be or than the memory left is
// refused before its pixels are allocated; an error in the pixel data keeps
// the rows read before it.
PictureHandle DecodePngPicture(const unsigned char* bytes, size_t count);
// The picture of base64 PNG text (a length that is a multiple of four; "="
// fill accepted), or null.
PictureHandle DecodePictureText(const char* text, int32_t length);

// The document reader and writer use these two.
void RegisterPictureTextHooks();
