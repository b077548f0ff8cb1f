#include "platform/PortDC.h"

#include "CoreUtilities/SegmentClip.h"
#include "platform/FontData.h"
#include "platform/RegionData.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

uint32_t PixelOf(ColorRef c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

QColor QColorOf(ColorRef c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

ColorRef ColorRefOf(const QColor& c)
{
    return static_cast<ColorRef>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// Cosmetic dots: three pixels on, three off.
constexpr int kDotRun = 3;

}  // namespace

struct PortDC::Impl {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0, rowPixels = 0;
    bool hasClip = false;
    QRegion clip;
    PortPen pen;
    ColorRef brush = 0xFFFFFF;
    ColorRef text = 0;
    ColorRef back = 0xFFFFFF;
    BackgroundMode backMode = BackgroundMode::Opaque;
    uint32_t align = 0;
    int x = 0, y = 0;
    FontHandle font = nullptr;  // null: the stock font

    FontHandle CurrentFont() const { return font ? font : StockSystemFont(); }

    bool Visible(int64_t px, int64_t py) const
    {
        if (px < 0 || py < 0 || px >= width || py >= height)
            return false;
        return !hasClip || clip.contains(QPoint(static_cast<int>(px), static_cast<int>(py)));
    }

    void Plot(int64_t px, int64_t py, uint32_t value)
    {
        if (pixels && Visible(px, py))
            pixels[static_cast<size_t>(py) * rowPixels + static_cast<size_t>(px)] = value;
    }

    // The part of the image drawing can reach: the whole of it, or the clip's extent.
    QRect Reach() const
    {
        QRect all(0, 0, width, height);
        return hasClip ? all.intersected(clip.boundingRect()) : all;
    }

    // Calls fn(rowPixels, row, firstColumn, endColumn) for the visible spans of [l, r) x [t, b).
    template <typename Fn>
    void ForEachSpan(int l, int t, int r, int b, Fn fn)
    {
        if (!pixels)
            return;
        QRect area = QRect(QPoint(std::max(l, 0), std::max(t, 0)),
                           QPoint(std::min(r, width) - 1, std::min(b, height) - 1));
        if (area.isEmpty())
            return;
        auto run = [&](const QRect& part) {
            if (part.isEmpty())
                return;
            for (int row = part.top(); row <= part.bottom(); ++row)
                fn(pixels + static_cast<size_t>(row) * rowPixels, row, part.left(), part.right() + 1);
        };
        if (!hasClip) {
            run(area);
            return;
        }
        for (const QRect& piece : clip)
            run(piece.intersected(area));
    }

    void ThinLine(int x0, int y0, int x1, int y1)
    {
        int64_t dx = std::abs(int64_t{x1} - x0), dy = std::abs(int64_t{y1} - y0);
        int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
        int64_t steps = std::max(dx, dy);
        QRect reach = Reach();
        int64_t first, last;
        // Only the steps that can land in the image are taken, however far
        // the line's ends lie outside it.
        if (!pixels || steps == 0 || reach.isEmpty() ||
            !ClipLineSteps(x0, y0, x1, y1, reach.left(), reach.top(), reach.right(), reach.bottom(), steps,
                           first, last))
            return;
        last = std::min(last, steps - 1);
        uint32_t ink = PixelOf(pen.colour), gap = PixelOf(back);
        for (int64_t i = first; i <= last; ++i) {
            // The minor coordinate rounds half away from the start.
            int64_t px, py;
            if (dx >= dy) {
                px = x0 + sx * i;
                py = y0 + sy * static_cast<int64_t>((2 * static_cast<__int128>(i) * dy + dx) / (2 * dx));
            } else {
                py = y0 + sy * i;
                px = x0 + sx * static_cast<int64_t>((2 * static_cast<__int128>(i) * dx + dy) / (2 * dy));
            }
            bool on = pen.style == PenStyle::Solid || (i / kDotRun) % 2 == 0;
            if (on)
                Plot(px, py, ink);
            else if (backMode == BackgroundMode::Opaque)
                Plot(px, py, gap);
        }
    }

    // A wide line cut to the image and a margin its caps and joins fit in.
    void WideLine(int x0, int y0, int x1, int y1)
    {
        double margin = pen.width + 2.0, t0, t1;
        if (!ClipSegmentToBox(x0, y0, x1, y1, -margin, -margin, width + margin, height + margin, t0, t1))
            return;
        double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
        QLineF part(x0 + t0 * dx, y0 + t0 * dy, x0 + t1 * dx, y0 + t1 * dy);
        Paint([&](QPainter& painter) {
            painter.setPen(WidePen());
            painter.drawLine(part);
        });
    }

    QPen WidePen() const
    {
        QPen wide(QColorOf(pen.colour), pen.width, Qt::SolidLine,
                  pen.geometric ? Qt::SquareCap : Qt::RoundCap,
                  pen.geometric ? Qt::BevelJoin : Qt::RoundJoin);
        return wide;
    }

    template <typename Fn>
    void Paint(Fn fn)
    {
        if (!pixels)
            return;
        QImage image(reinterpret_cast<uchar*>(pixels), width, height, rowPixels * 4,
                     QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (hasClip)
            painter.setClipRegion(clip);
        fn(painter);
    }
};

PortDC::PortDC(Impl* impl) : impl_(impl) {}

PortDC::~PortDC()
{
    ReleaseSystemFont(impl_->font);
    delete impl_;
}

PortDC* PortDC::NewForPixels(void* pixels, int width, int height, int rowBytes)
{
    if (!pixels || width <= 0 || height <= 0 || rowBytes < width * 4)
        return nullptr;
    auto* impl = new (std::nothrow) Impl;
    if (!impl)
        return nullptr;
    impl->pixels = static_cast<uint32_t*>(pixels);
    impl->width = width;
    impl->height = height;
    impl->rowPixels = rowBytes / 4;
    auto* dc = new (std::nothrow) PortDC(impl);
    if (!dc)
        delete impl;
    return dc;
}

PortDC* PortDC::NewForMeasuring()
{
    auto* impl = new (std::nothrow) Impl;
    if (!impl)
        return nullptr;
    auto* dc = new (std::nothrow) PortDC(impl);
    if (!dc)
        delete impl;
    return dc;
}

bool PortDC::DrawsPixels() const
{
    return impl_->pixels != nullptr;
}

PortPen PortDC::SelectPen(const PortPen& pen)
{
    return std::exchange(impl_->pen, pen);
}

ColorRef PortDC::SelectBrush(ColorRef colour)
{
    return std::exchange(impl_->brush, colour);
}

const PortPen& PortDC::Pen() const { return impl_->pen; }
ColorRef PortDC::Brush() const { return impl_->brush; }
void PortDC::SetTextColor(ColorRef colour) { impl_->text = colour; }
ColorRef PortDC::TextColor() const { return impl_->text; }
void PortDC::SetBackColor(ColorRef colour) { impl_->back = colour; }
ColorRef PortDC::BackColor() const { return impl_->back; }
void PortDC::SetBackgroundMode(BackgroundMode mode) { impl_->backMode = mode; }
BackgroundMode PortDC::GetBackgroundMode() const { return impl_->backMode; }
void PortDC::SetTextAlign(uint32_t flags) { impl_->align = flags; }
uint32_t PortDC::TextAlign() const { return impl_->align; }

FontHandle PortDC::SelectFont(FontHandle font)
{
    FontHandle previous = impl_->CurrentFont();
    RetainSystemFont(font);
    // A replaced font that its owner deleted is gone: answer the stock font's null.
    if (!ReleaseSystemFont(std::exchange(impl_->font, font)))
        previous = nullptr;
    return previous;
}

void PortDC::GetTextMetrics(TextMetrics& out) const
{
    GetSystemFontMetrics(impl_->CurrentFont(), out);
}

void PortDC::GetCharacterAdvances(const char16_t* text, int32_t length, int32_t* dx) const
{
    GetSystemFontAdvances(impl_->CurrentFont(), text, length, dx);
}

int32_t PortDC::GetTextExtent(const char16_t* text, int32_t length) const
{
    if (!text || length <= 0)
        return 0;
    std::vector<int32_t> dx(static_cast<size_t>(length));
    GetCharacterAdvances(text, length, dx.data());
    int64_t width = 0;
    for (int32_t d : dx)
        width += d;
    return static_cast<int32_t>(width);
}

void PortDC::TextOut(int x, int y, const char16_t* text, int32_t length)
{
    Impl& d = *impl_;
    FontHandle font = d.CurrentFont();
    if (!font || !text || length <= 0)
        return;
    std::vector<int32_t> dx(static_cast<size_t>(length));
    GetSystemFontAdvances(font, text, length, dx.data());
    int32_t width = 0;
    for (int32_t a : dx)
        width += a;
    const TextMetrics& m = font->metrics;
    bool useCurrent = d.align & kTextAlignUpdatePosition;
    if (useCurrent) {
        x = d.x;
        y = d.y;
    }
    // Offsets along the baseline and across it, in the text's own frame.
    int32_t along = 0;
    switch (d.align & kTextAlignCenter) {
    case kTextAlignCenter: along = -width / 2; break;
    case kTextAlignRight: along = -width; break;
    default: break;
    }
    int32_t baseline = 0;
    switch (d.align & kTextAlignBaseline) {
    case kTextAlignBaseline: break;
    case kTextAlignBottom: baseline = -m.descent; break;
    default: baseline = m.ascent; break;
    }
    // Escapement turns the baseline counter-clockwise; screen y points down.
    double angle = font->escapement * (M_PI / 1800.0);
    if (useCurrent) {
        int32_t moved = (d.align & kTextAlignCenter) == kTextAlignCenter ? 0
                        : (d.align & kTextAlignRight) ? -width : width;
        d.x = x + static_cast<int>(std::lround(moved * std::cos(angle)));
        d.y = y - static_cast<int>(std::lround(moved * std::sin(angle)));
    }
    QString drawn = FontText(*font, text, length);
    d.Paint([&](QPainter& painter) {
        painter.translate(x, y);
        if (font->escapement)
            painter.rotate(-font->escapement / 10.0);
        if (d.backMode == BackgroundMode::Opaque)
            painter.fillRect(QRect(along, baseline - m.ascent, width, m.height), QColorOf(d.back));
        painter.setFont(font->font);
        painter.setPen(QColorOf(d.text));
        int32_t pen = along;
        for (int32_t i = 0; i < length; ++i) {
            int32_t units = drawn[i].isHighSurrogate() && i + 1 < length && drawn[i + 1].isLowSurrogate() ? 2 : 1;
            QString character = units == 2 || !drawn[i].isSurrogate() ? drawn.mid(i, units)
                                                                       : QString(QChar(QChar::ReplacementCharacter));
            painter.drawText(QPoint(pen, baseline), character);
            for (int32_t k = 0; k < units; ++k)
                pen += dx[static_cast<size_t>(i + k)];
            i += units - 1;
        }
    });
}

void PortDC::MoveTo(int x, int y)
{
    impl_->x = x;
    impl_->y = y;
}

POINT PortDC::CurrentPosition() const
{
    return POINT{impl_->x, impl_->y};
}

void PortDC::LineTo(int x, int y)
{
    Impl& d = *impl_;
    if (d.pen.width <= 1)
        d.ThinLine(d.x, d.y, x, y);
    else
        d.WideLine(d.x, d.y, x, y);
    d.x = x;
    d.y = y;
}

void PortDC::Rectangle(int left, int top, int right, int bottom)
{
    Impl& d = *impl_;
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    if (right == left || bottom == top)
        return;
    uint32_t fill = PixelOf(d.brush);
    d.ForEachSpan(left, top, right, bottom, [&](uint32_t* row, int, int x0, int x1) {
        std::fill(row + x0, row + x1, fill);
    });
    if (d.pen.width <= 1) {
        // The outline runs on the rectangle's outermost pixels; each segment
        // leaves its end out, so the closed path paints every corner once.
        int keepX = d.x, keepY = d.y;
        int r = right - 1, b = bottom - 1;
        if (r == left) {
            d.ThinLine(left, top, left, bottom);
        } else if (b == top) {
            d.ThinLine(left, top, right, top);
        } else {
            d.ThinLine(left, top, r, top);
            d.ThinLine(r, top, r, b);
            d.ThinLine(r, b, left, b);
            d.ThinLine(left, b, left, top);
        }
        d.x = keepX;
        d.y = keepY;
        return;
    }
    d.Paint([&](QPainter& painter) {
        painter.setPen(d.WidePen());
        painter.setBrush(Qt::NoBrush);
        // The pen is centred on the outermost pixels, as a thin outline would be.
        painter.drawRect(QRectF(left, top, right - 1 - left, bottom - 1 - top));
    });
}

void PortDC::FillRect(const ShortRect& r, ColorRef colour)
{
    uint32_t fill = PixelOf(colour);
    impl_->ForEachSpan(r.left, r.top, r.right, r.bottom, [&](uint32_t* row, int, int x0, int x1) {
        std::fill(row + x0, row + x1, fill);
    });
}

void PortDC::PatBlt(int x, int y, int width, int height, PatternOp op)
{
    if (width <= 0 || height <= 0)
        return;
    uint32_t brush = PixelOf(impl_->brush);
    impl_->ForEachSpan(x, y, x + width, y + height, [&](uint32_t* row, int, int x0, int x1) {
        for (int i = x0; i < x1; ++i) {
            switch (op) {
            case PatternOp::Copy: row[i] = brush; break;
            case PatternOp::Invert: row[i] ^= brush; break;
            case PatternOp::InvertDestination: row[i] ^= 0xFFFFFF; break;
            }
        }
    });
}

void PortDC::StretchPixels(const ShortRect& dst, const uint32_t* src, int srcRowPixels,
                           const ShortRect& srcBlock)
{
    int dw = ShortRectWidth(dst), dh = ShortRectHeight(dst);
    int sw = ShortRectWidth(srcBlock), sh = ShortRectHeight(srcBlock);
    if (!src || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    impl_->ForEachSpan(dst.left, dst.top, dst.right, dst.bottom, [&](uint32_t* row, int y, int x0, int x1) {
        int sy = srcBlock.top + static_cast<int>(static_cast<int64_t>(y - dst.top) * sh / dh);
        const uint32_t* srcRow = src + static_cast<size_t>(sy) * srcRowPixels;
        for (int x = x0; x < x1; ++x) {
            int sx = srcBlock.left + static_cast<int>(static_cast<int64_t>(x - dst.left) * sw / dw);
            row[x] = srcRow[sx] & 0xFFFFFF;
        }
    });
}

bool PortDC::GetClipRegion(Region out) const
{
    if (!impl_->hasClip)
        return false;
    if (out)
        out->area = impl_->clip;
    return true;
}

void PortDC::SelectClipRegion(Region g)
{
    impl_->hasClip = g != nullptr;
    impl_->clip = g ? g->area : QRegion();
}

namespace {

ColorRef PaletteColor(QPalette::ColorRole role, ColorRef fallback)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return fallback;
    return ColorRefOf(QGuiApplication::palette().color(QPalette::Active, role));
}

}  // namespace

ColorRef WindowTextColor()
{
    return PaletteColor(QPalette::Text, 0x000000);
}

ColorRef WindowBackgroundColor()
{
    return PaletteColor(QPalette::Base, 0xFFFFFF);
}

ColorRef HighlightColor()
{
    return PaletteColor(QPalette::Highlight, 0xD77800);
}
