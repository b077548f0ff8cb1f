#include "editor/TextBlockFormats.h"

#include "editor/TextBlocks.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

QString EffectiveFace(const QTextCharFormat& format, const QFont& base)
{
    if (format.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty())
            return families.first();
    }
    if (format.hasProperty(QTextFormat::FontFamily))
        return format.stringProperty(QTextFormat::FontFamily);
    return base.family();
}

int32_t EffectivePixelSize(const QTextCharFormat& format, const QFont& base)
{
    if (format.hasProperty(QTextFormat::FontPixelSize))
        return format.intProperty(QTextFormat::FontPixelSize);
    double points = format.hasProperty(QTextFormat::FontPointSize) ? format.doubleProperty(QTextFormat::FontPointSize)
                                                                     : -1;
    if (points <= 0 && base.pixelSize() > 0)
        return base.pixelSize();
    if (points <= 0)
        points = base.pointSizeF();
    QScreen* screen = QGuiApplication::primaryScreen();
    double dpi = screen ? screen->logicalDotsPerInchY() : 96;
    return static_cast<int32_t>(std::lround(points * dpi / 72));
}

int32_t EffectsOf(const QTextCharFormat& format)
{
    return (format.fontWeight() >= QFont::DemiBold ? TextBold : 0) | (format.fontItalic() ? TextItalic : 0) |
           (format.fontUnderline() ? TextUnderline : 0);
}

QTextCharFormat PixelSizeFormat(int32_t pixels)
{
    QTextCharFormat format;
    format.setProperty(QTextFormat::FontPixelSize, pixels);
    return format;
}
