// A device context over 32-bit top-down pixel memory that follows the
// window system's pixel rules: a line leaves its end pixel out, rectangles
// exclude their bottom and right edges, pens of width 0 and 1 are one pixel.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/Region.h"
#include "platform/SystemFont.h"

#include <cstdint>

enum class PenStyle : uint8_t { Solid, Dot };

struct PortPen {
    PenStyle style = PenStyle::Solid;
    int width = 0;           // 0 and 1 draw one pixel
    ColorRef colour = 0;
    bool geometric = false;  // square end caps and bevel joins; else round
};

enum class BackgroundMode : uint8_t { Transparent = 1, Opaque = 2 };
enum class PatternOp : uint8_t { Copy, Invert, InvertDestination };

constexpr uint32_t kTextAlignUpdatePosition = 1;
constexpr uint32_t kTextAlignRight = 2;
constexpr uint32_t kTextAlignCenter = 6;
constexpr uint32_t kTextAlignBottom = 8;
constexpr uint32_t kTextAlignBaseline = 24;

class PortDC {
public:
    // Draws into memory the caller keeps alive for the DC's life.
    static PortDC* NewForPixels(void* pixels, int width, int height, int rowBytes);
    // Keeps state and measures, but draws nothing (a window outside painting).
    static PortDC* NewForMeasuring();
    ~PortDC();
    PortDC(const PortDC&) = delete;
    PortDC& operator=(const PortDC&) = delete;

    bool DrawsPixels() const;

    // Each returns the object it replaced.
    PortPen SelectPen(const PortPen& pen);
    ColorRef SelectBrush(ColorRef colour);
    const PortPen& Pen() const;
    ColorRef Brush() const;
    void SetTextColor(ColorRef colour);
    ColorRef TextColor() const;
    void SetBackColor(ColorRef colour);
    ColorRef BackColor() const;
    void SetBackgroundMode(BackgroundMode mode);
    BackgroundMode GetBackgroundMode() const;
    void SetTextAlign(uint32_t flags);
    uint32_t TextAlign() const;

    // Answers the font it replaced; a DC starts with the stock font, and null
    // selects that again. The DC keeps its font alive while selected, so a
    // font deleted meanwhile is answered as null.
    FontHandle SelectFont(FontHandle font);
    void GetTextMetrics(TextMetrics& out) const;
    // The advances of the selected font (see GetSystemFontAdvances) and their sum.
    void GetCharacterAdvances(const char16_t* text, int32_t length, int32_t* dx) const;
    int32_t GetTextExtent(const char16_t* text, int32_t length) const;
    // Draws text in the selected font and the text colour, character by
    // character at the advances, placed by the text alignment: at (x, y), or
    // with kTextAlignUpdatePosition at the current position, which then moves
    // along the baseline. An opaque background fills the text's cell first.
    void TextOut(int x, int y, const char16_t* text, int32_t length);

    void MoveTo(int x, int y);
    POINT CurrentPosition() const;
    // From the current position to (x, y) with the pen; a thin pen leaves (x, y) out.
    void LineTo(int x, int y);
    // Outline with the pen and inside with the brush, covering [left, right) x [top, bottom).
    void Rectangle(int left, int top, int right, int bottom);
    void FillRect(const ShortRect& r, ColorRef colour);
    // Brush copied, brush XOR destination, or destination inverted; empty extents do nothing.
    void PatBlt(int x, int y, int width, int height, PatternOp op);
    // Nearest-pixel copy of srcBlock of a 32-bit top-down image onto dst.
    void StretchPixels(const ShortRect& dst, const uint32_t* src, int srcRowPixels,
                       const ShortRect& srcBlock);

    // False when the DC has no clip region (out is left alone).
    bool GetClipRegion(Region out) const;
    // Clips to a copy of g; null removes the clip.
    void SelectClipRegion(Region g);

private:
    struct Impl;
    explicit PortDC(Impl* impl);
    Impl* impl_;
};

// The window system's colours the port uses (window text, window background, selection).
ColorRef WindowTextColor();
ColorRef WindowBackgroundColor();
ColorRef HighlightColor();
