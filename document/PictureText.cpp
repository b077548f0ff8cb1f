#include "document/PictureText.h"

#include "CoreUtilities/Base64.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocumentFileHooks.h"
#include "drawing/DrawingPort.h"
#include "drawing/OffscreenSurface.h"
#include "drawing/Rasteriser.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <ctime>

// libpng reports errors by longjmp: the functions that set the return point
// hold only plain data, and everything they allocate is freed by their
// callers from records that outlive the jump.

namespace {

constexpr uint32_t kPaletteSlots = 1024;
constexpr char kSoftwareText[] = "Vellumor 4.0 (Linux; libpng " PNG_LIBPNG_VER_STRING "; zlib " ZLIB_VERSION ")";
// The largest chunk the decoder lets libpng allocate (text, profiles).
constexpr png_alloc_size_t kMaxPngChunkBytes = 8u << 20;

uint32_t PixelAt(const PngImage& image, int32_t x, int32_t y)
{
    uint32_t pixel;
    std::memcpy(&pixel, image.base + static_cast<size_t>(y) * image.pitch + 4 * static_cast<size_t>(x), 4);
    return pixel & 0xFFFFFF;
}

uint32_t SlotOf(uint32_t color)
{
    return (color * 2654435761u) >> 22;
}

size_t PackedRowBytes(int32_t width, int32_t depth)
{
    return (static_cast<size_t>(width) * depth + 7) / 8;
}

uint8_t* PackPaletteRows(const PngImage& image, const PngPalette& palette, int32_t depth)
{
    size_t rowBytes = PackedRowBytes(image.width, depth);
    uint64_t total = static_cast<uint64_t>(rowBytes) * image.height;
    if (total == 0 || total > UINT32_MAX)
        return nullptr;
    auto* rows = static_cast<uint8_t*>(BudgetMalloc(static_cast<uint32_t>(total), true));
    if (!rows)
        return nullptr;
    const int32_t perByte = 8 / depth;
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* out = rows + rowBytes * y;
        for (int32_t x = 0; x < image.width; ++x) {
            auto index = static_cast<uint32_t>(PaletteIndex(palette, PixelAt(image, x, y)));
            int32_t shift = 8 - depth * (x % perByte + 1);
            out[x / perByte] |= static_cast<uint8_t>(index << shift);
        }
    }
    return rows;
}

// Where the encoder's bytes go.
struct PngOutputTarget {
    PagedBuffer* buffer;
    size_t written;
    bool failed;
};

void PngWriteToPagedBuffer(png_structp png, png_bytep data, png_size_t length)
{
    auto* target = static_cast<PngOutputTarget*>(png_get_io_ptr(png));
    for (png_size_t i = 0; i < length; ++i) {
        if (target->buffer->PushByte(data[i]) != 0) {
            target->failed = true;
            png_error(png, "out of memory");
        }
    }
    target->written += length;
}

void PngFlushNothing(png_structp) {}

// Errors jump back to the caller's return point without a word on stderr.
void PngErrorJump(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarningIgnored(png_structp, png_const_charp) {}

void SetPngTimeNow(png_structp png, png_infop info)
{
    png_time stamp;
    png_convert_from_time_t(&stamp, std::time(nullptr));
    png_set_tIME(png, info, &stamp);
}

// Everything the encoder's return point may jump over.
struct PngEncodeJob {
    const PngImage* image;
    int32_t depth;
    const PngPalette* palette;
    const uint8_t* packedRows;
    const uint8_t* transparentBgr;
    png_bytep* rows;
    PngOutputTarget target;
    png_color plte[256];
    png_byte trans[256];
};

bool RunPngWrite(png_structp png, png_infop info, PngEncodeJob* job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const PngImage& image = *job->image;
    png_set_write_fn(png, &job->target, PngWriteToPagedBuffer, PngFlushNothing);
    int colorType = job->packedRows ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB;
    int depth = job->packedRows ? job->depth : 8;
    size_t packedBytes = PackedRowBytes(image.width, depth);
    for (int32_t y = 0; y < image.height; ++y)
        job->rows[y] = job->packedRows ? const_cast<png_bytep>(job->packedRows + packedBytes * y)
                                       : const_cast<png_bytep>(image.base + static_cast<size_t>(y) * image.pitch);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 depth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<png_charp>("Software");
    text.text = const_cast<png_charp>(kSoftwareText);
    text.text_length = sizeof kSoftwareText - 1;
    png_set_text(png, info, &text, 1);
    SetPngTimeNow(png, info);
    png_set_gAMA_fixed(png, info, 40000);
    if (job->packedRows) {
        for (int32_t i = 0; i < job->palette->count; ++i) {
            uint32_t c = job->palette->colors[i];
            job->plte[i] = png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                     static_cast<png_byte>(c)};
        }
        png_set_PLTE(png, info, job->plte, job->palette->count);
    }
    if (const uint8_t* t = job->transparentBgr) {
        uint32_t color = (uint32_t{t[2]} << 16) | (uint32_t{t[1]} << 8) | t[0];
        if (job->packedRows) {
            int32_t index = PaletteIndex(*job->palette, color);
            if (index >= 0) {
                std::memset(job->trans, 255, sizeof job->trans);
                job->trans[index] = 0;
                png_set_tRNS(png, info, job->trans, index + 1, nullptr);
            }
        } else {
            png_color_16 value{};
            value.red = t[2];
            value.green = t[1];
            value.blue = t[0];
            png_set_tRNS(png, info, nullptr, 0, &value);
        }
    }
    png_write_info(png, info);
    if (!job->packedRows) {
        // Surface pixels are blue, green, red and a byte to drop.
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    png_write_image(png, job->rows);
    png_write_end(png, info);
    return true;
}

// Where the decoder reads from.
struct PngMemorySource {
    const unsigned char* bytes;
    size_t count;
    size_t position;
};

void PngReadFromMemory(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<PngMemorySource*>(png_get_io_ptr(png));
    size_t left = source->count - source->position;
    size_t n = length < left ? length : left;
    std::memcpy(data, source->bytes + source->position, n);
    source->position += n;
    if (n < length)
        png_error(png, "unexpected end of data");
}

struct PngDecodeJob {
    PngMemorySource source;
    PictureHandle picture;
    png_bytep* rows;
};

// An image the program can hold: within a picture's sides, and its pixels
// within the memory left.
bool PictureSizeAcceptable(png_uint_32 width, png_uint_32 height)
{
    if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return false;
    double bytes = sizeof(DibHeader) + 4.0 * width * height;
    return bytes <= GlobalBudgetLimit() - MemoryBudgetCount();
}

void RunPngRead(png_structp png, png_infop info, png_infop endInfo, PngDecodeJob* job)
{
    if (setjmp(png_jmpbuf(png)))
        return;
    png_set_read_fn(png, &job->source, PngReadFromMemory);
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (!PictureSizeAcceptable(width, height))
        return;
    double fileGamma = 0;
    if (png_get_gAMA(png, info, &fileGamma))
        png_set_gamma(png, 2.5, fileGamma);
    png_set_expand(png);
    // Grey images are shown in grey rather than refused.
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    ShortRect bounds;
    SetShortRect(bounds, 0, 0, static_cast<int>(height), static_cast<int>(width));
    job->picture = NewPictureHandle(bounds);
    if (!job->picture || png_get_rowbytes(png, info) > 4 * static_cast<size_t>(width))
        return;
    job->rows = static_cast<png_bytep*>(BudgetMalloc(static_cast<uint32_t>(height * sizeof(png_bytep)), false));
    if (!job->rows)
        return;
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(job->picture));
    uint8_t* bits = GetPackedDibBits(header);
    for (png_uint_32 i = 0; i < height; ++i)
        job->rows[i] = bits + static_cast<size_t>(height - 1 - i) * 4 * width;
    png_read_image(png, job->rows);
    png_read_end(png, endInfo);
}

}  // namespace

int32_t PaletteIndex(const PngPalette& palette, uint32_t color)
{
    for (uint32_t slot = SlotOf(color);; slot = (slot + 1) % kPaletteSlots) {
        if (palette.slotNumber[slot] == 0)
            return -1;
        if (palette.slotColor[slot] == color)
            return palette.slotNumber[slot] - 1;
    }
}

PngPalette* BuildPalette(const PngImage& image)
{
    auto* palette = static_cast<PngPalette*>(BudgetMalloc(sizeof(PngPalette), true));
    if (!palette)
        return nullptr;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            uint32_t color = PixelAt(image, x, y);
            uint32_t slot = SlotOf(color);
            while (palette->slotNumber[slot] != 0 && palette->slotColor[slot] != color)
                slot = (slot + 1) % kPaletteSlots;
            if (palette->slotNumber[slot] != 0)
                continue;
            if (palette->count == 256) {
                BudgetFree(palette);
                return nullptr;
            }
            palette->colors[palette->count] = color;
            palette->slotColor[slot] = color;
            palette->slotNumber[slot] = static_cast<uint16_t>(++palette->count);
        }
    }
    return palette;
}

int32_t PaletteBitDepth(int32_t colors)
{
    return colors > 16 ? 8 : colors > 4 ? 4 : colors > 2 ? 2 : 1;
}

uint8_t* PackPaletteRows8(const PngImage& image, const PngPalette& palette)
{
    return PackPaletteRows(image, palette, 8);
}

uint8_t* PackPaletteRows4(const PngImage& image, const PngPalette& palette)
{
    return PackPaletteRows(image, palette, 4);
}

uint8_t* PackPaletteRows2(const PngImage& image, const PngPalette& palette)
{
    return PackPaletteRows(image, palette, 2);
}

uint8_t* PackPaletteRows1(const PngImage& image, const PngPalette& palette)
{
    return PackPaletteRows(image, palette, 1);
}

namespace {

using PackRows = uint8_t* (*)(const PngImage&, const PngPalette&);

PackRows PackRowsForDepth(int32_t depth)
{
    switch (depth) {
    case 1: return PackPaletteRows1;
    case 2: return PackPaletteRows2;
    case 4: return PackPaletteRows4;
    default: return PackPaletteRows8;
    }
}

}  // namespace

void FreePngBuffer(PagedBuffer* buffer)
{
    if (buffer) {
        buffer->Free();
        BudgetFree(buffer);
    }
}

PagedBuffer* EncodePng(const PngImage& image, int32_t depth, const PngPalette* palette,
                       const uint8_t* packedRows, const uint8_t* transparentBgr)
{
    if (image.width <= 0 || image.height <= 0 || (packedRows && !palette))
        return nullptr;
    auto* job = static_cast<PngEncodeJob*>(BudgetMalloc(sizeof(PngEncodeJob), true));
    if (!job)
        return nullptr;
    job->image = &image;
    job->depth = depth;
    job->palette = palette;
    job->packedRows = packedRows;
    job->transparentBgr = transparentBgr;
    job->rows = static_cast<png_bytep*>(BudgetMalloc(static_cast<uint32_t>(image.height * sizeof(png_bytep)), true));
    job->target.buffer = static_cast<PagedBuffer*>(BudgetMalloc(sizeof(PagedBuffer), true));
    bool done = false;
    png_structp png = nullptr;
    png_infop info = nullptr;
    if (job->rows && job->target.buffer) {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorJump, PngWarningIgnored);
        info = png ? png_create_info_struct(png) : nullptr;
        done = info && RunPngWrite(png, info, job);
    }
    if (png)
        png_destroy_write_struct(&png, info ? &info : nullptr);
    PagedBuffer* result = job->target.buffer;
    if (!done || job->target.failed) {
        FreePngBuffer(result);
        result = nullptr;
    }
    BudgetFree(job->rows);
    BudgetFree(job);
    return result;
}

PagedBuffer* WritePictureAsPng(PictureHandle picture, const uint8_t* transparentBgr)
{
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    OffscreenSurface* surface = NewOffscreenSurface(bounds);
    if (!surface)
        return nullptr;
    PagedBuffer* png = nullptr;
    {
        PortSaver port(surface);
        // Transparent parts of the picture come out white.
        if (LockSurface(surface)) {
            std::memset(GetSurfaceBaseAddress(surface), 255,
                        static_cast<size_t>(GetSurfaceRowBytes(surface)) * ShortRectHeight(bounds));
            UnlockSurface(surface);
            DrawPictureScaled(picture, 0, 0, bounds, 1.0);
        }
        if (LockSurfacePixels(surface)) {
            PngImage image{GetSurfaceBaseAddress(surface), GetSurfaceRowBytes(surface), ShortRectWidth(bounds),
                           ShortRectHeight(bounds)};
            if (PngPalette* palette = BuildPalette(image)) {
                int32_t depth = PaletteBitDepth(palette->count);
                if (uint8_t* rows = PackRowsForDepth(depth)(image, *palette)) {
                    png = EncodePng(image, depth, palette, rows, transparentBgr);
                    BudgetFree(rows);
                }
                BudgetFree(palette);
            } else {
                png = EncodePng(image, 32, nullptr, nullptr, transparentBgr);
            }
            UnlockSurface(surface);
        }
    }
    DisposeOffscreenSurface(surface);
    return png;
}

bool WritePictureText(PictureHandle picture)
{
    PagedBuffer* png = WritePictureAsPng(picture, nullptr);
    if (!png)
        return false;
    bool written = false;
    auto count = static_cast<uint32_t>(png->count);
    if (auto* block = static_cast<uint8_t*>(BudgetMalloc(count, false))) {
        for (uint32_t i = 0; i < count; i += kPageBytes) {
            uint32_t n = count - i < static_cast<uint32_t>(kPageBytes) ? count - i : kPageBytes;
            std::memcpy(block + i, png->ByteAt(static_cast<int32_t>(i)), n);
        }
        written = WriteBase64(block, count);
        BudgetFree(block);
    }
    FreePngBuffer(png);
    return written;
}

PictureHandle DecodePngPicture(const unsigned char* bytes, size_t count)
{
    if (!bytes || count < 8 || png_sig_cmp(bytes, 0, 8) != 0)
        return nullptr;
    PngDecodeJob job{{bytes, count, 0}, nullptr, nullptr};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorJump, PngWarningIgnored);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_infop endInfo = info ? png_create_info_struct(png) : nullptr;
    if (endInfo)
        RunPngRead(png, info, endInfo, &job);
    if (png)
        png_destroy_read_struct(&png, info ? &info : nullptr, endInfo ? &endInfo : nullptr);
    if (job.picture && job.rows)
        UnlockGlobalHandle(job.picture);
    BudgetFree(job.rows);
    return job.picture;
}

PictureHandle DecodePictureText(const char* text, int32_t length)
{
    if (!text || length <= 0 || length % 4 != 0)
        return nullptr;
    uint32_t capacity = static_cast<uint32_t>(length) / 4 * 3;
    auto* bytes = static_cast<unsigned char*>(BudgetMalloc(capacity, true));
    if (!bytes)
        return nullptr;
    size_t count = ReadBase64(text, static_cast<size_t>(length), bytes, capacity);
    PictureHandle picture = DecodePngPicture(bytes, count);
    BudgetFree(bytes);
    return picture;
}

void RegisterPictureTextHooks()
{
    DocumentFileHooks& hooks = GetDocumentFileHooks();
    hooks.decodePictureText = &DecodePictureText;
    hooks.writePictureText = &WritePictureText;
}
