#include "platform/SystemFont.h"

#include "platform/FontData.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>

#include <algorithm>
#include <cstring>
#include <new>
#include <strings.h>

namespace {

// Faces the documents name that this system has under other names.
struct FaceSubstitute {
    const char* face;
    const char* family;
};

constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"Times New Roman", "Liberation Serif"},
    {"Arial", "Liberation Sans"},
    {"Symbol", "DejaVu Serif"},
};

constexpr const char* kSymbolFace = "Symbol";

// A 0 height asks for the default: a cell of this many pixels.
constexpr int32_t kDefaultCellHeight = 16;

// The Unicode character of each symbol-font character from 0x20 to 0xFF;
// 0 where the symbol font has nothing.
constexpr char16_t kSymbolToUnicode[224] = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x27E8, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    // 0xF0
    0x0000, 0x27E9, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000,
};

// Symbol characters come as themselves or in the private-use block at 0xF000.
char16_t SymbolToUnicode(char16_t unit)
{
    char16_t low = unit >= 0xF020 && unit <= 0xF0FF ? unit - 0xF000 : unit;
    if (low < 0x20 || low > 0xFF)
        return unit;
    char16_t mapped = kSymbolToUnicode[low - 0x20];
    return mapped ? mapped : unit;
}

const char* FamilyForFace(const char* face)
{
    for (const FaceSubstitute& s : kFaceSubstitutes)
        if (strcasecmp(face, s.face) == 0)
            return s.family;
    return face;
}

int32_t ReadPixelSize(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : 0;
}

void ReadMetrics(FontData& data, int32_t weight, bool italic)
{
    QFontMetrics fm(data.font);
    TextMetrics& m = data.metrics;
    m.ascent = fm.ascent();
    m.descent = fm.descent();
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(0, m.height - ReadPixelSize(data.font));
    m.externalLeading = std::max(0, fm.leading());
    m.aveCharWidth = fm.averageCharWidth();
    m.maxCharWidth = fm.maxWidth();
    m.weight = weight;
    m.italic = italic ? 1 : 0;
}

}  // namespace

QString FontText(const FontData& font, const char16_t* text, int32_t length)
{
    QString out(reinterpret_cast<const QChar*>(text), length);
    if (font.symbol) {
        for (QChar& c : out)
            c = QChar(SymbolToUnicode(c.unicode()));
    }
    return out;
}

FontHandle CreateSystemFont(const FontSpec& spec)
{
    if (!spec.face || std::strlen(spec.face) > kMaxFaceLength)
        return nullptr;
    if (spec.height < -kMaxFontHeight || spec.height > kMaxFontHeight)
        return nullptr;
    auto* data = new (std::nothrow) FontData;
    if (!data)
        return nullptr;
    data->height = spec.height;
    data->escapement = spec.escapement;
    data->symbol = strcasecmp(spec.face, kSymbolFace) == 0;
    QFont& font = data->font;
    font.setFamily(QString::fromUtf8(FamilyForFace(spec.face)));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight, 1, 1000)));
    font.setItalic(spec.italic);
    // Advances add up character by character, as the caret arithmetic expects.
    font.setKerning(false);
    if (spec.height < 0) {
        font.setPixelSize(-spec.height);
    } else {
        // A cell height: scale the character height so that ascent plus
        // descent comes to the asked height.
        int32_t cell = spec.height ? spec.height : kDefaultCellHeight;
        font.setPixelSize(cell);
        QFontMetrics fm(font);
        int32_t made = fm.ascent() + fm.descent();
        if (made > 0)
            font.setPixelSize(std::max(1, static_cast<int32_t>(int64_t{cell} * cell / made)));
    }
    data->family = QFontInfo(font).family().toUtf8();
    ReadMetrics(*data, spec.weight, spec.italic);
    return data;
}

void DeleteSystemFont(FontHandle font)
{
    if (font && font->selections > 0)
        font->deleted = true;
    else
        delete font;
}

void RetainSystemFont(FontHandle font)
{
    if (font)
        ++font->selections;
}

bool ReleaseSystemFont(FontHandle font)
{
    if (!font || --font->selections > 0 || !font->deleted)
        return true;
    delete font;
    return false;
}

int32_t SystemFontHeight(FontHandle font)
{
    return font ? font->height : 0;
}

int32_t SystemFontEscapement(FontHandle font)
{
    return font ? font->escapement : 0;
}

const char* SystemFontFamily(FontHandle font)
{
    return font ? font->family.constData() : "";
}

FontHandle StockSystemFont()
{
    // Made once and kept for the whole run: device contexts hold it.
    static FontHandle stock = CreateSystemFont(FontSpec{"Arial", -13, 0, 400, false});
    return stock;
}

void GetSystemFontMetrics(FontHandle font, TextMetrics& out)
{
    out = font ? font->metrics : TextMetrics{};
}

void GetSystemFontAdvances(FontHandle font, const char16_t* text, int32_t length, int32_t* dx)
{
    if (!font || !text || !dx || length <= 0)
        return;
    QString drawn = FontText(*font, text, length);
    QFontMetricsF fm(font->font);
    for (int32_t i = 0; i < length; ++i) {
        QChar c = drawn[i];
        if (c.isHighSurrogate() && i + 1 < length && drawn[i + 1].isLowSurrogate()) {
            dx[i] = qRound(fm.horizontalAdvance(drawn.mid(i, 2)));
            dx[++i] = 0;
        } else if (c.isSurrogate()) {
            dx[i] = qRound(fm.horizontalAdvance(QChar(QChar::ReplacementCharacter)));
        } else {
            dx[i] = qRound(fm.horizontalAdvance(c));
        }
    }
}

void GetSystemFontBearings(FontHandle font, char16_t unit, int32_t* left, int32_t* right)
{
    *left = 0;
    *right = 0;
    if (!font)
        return;
    QString drawn = FontText(*font, &unit, 1);
    if (drawn[0].isSurrogate())
        return;
    QFontMetricsF fm(font->font);
    *left = qRound(fm.leftBearing(drawn[0]));
    *right = qRound(fm.rightBearing(drawn[0]));
}
