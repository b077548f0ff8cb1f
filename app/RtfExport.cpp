#include "app/RtfExport.h"

#include "app/CGraphView.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "editor/COurEdit.h"
#include "editor/FormulaClipboard.h"
#include "editor/TextBlockFormats.h"

#include <QBuffer>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>
#include <cstring>
#include <string>

namespace {

// One character's style as RTF sees it.
struct RunStyle {
    std::string face;
    int32_t size = 0;
    bool bold = false, italic = false, underline = false;
};

// Visits every character of the box but its final paragraph end, with its
// format.
template <typename Visit>
void ForEachCharacter(const QTextDocument& box, Visit visit)
{
    for (QTextBlock block = box.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString text = fragment.text();
            for (QChar c : text)
                visit(c.unicode(), fragment.charFormat());
        }
        // Paragraph ends between blocks are characters of the text too.
        if (block.next().isValid())
            visit(u'\r', block.charFormat());
    }
}

RunStyle StyleOf(const QTextCharFormat& f, const QTextDocument& box)
{
    RunStyle s;
    s.face = EffectiveFace(f, box.defaultFont()).toStdString();
    // RTF sizes are half points; the boxes size their text in pixels of
    // 1/96 inch.
    s.size = static_cast<int32_t>(std::lround(EffectivePixelSize(f, box.defaultFont()) * 1.5));
    s.bold = f.fontWeight() >= QFont::DemiBold;
    s.italic = f.fontItalic();
    s.underline = f.fontUnderline();
    return s;
}

}  // namespace

void WriteRtfChar(QByteArray& out, uint16_t c)
{
    switch (c) {
    case '\t': out += "\\tab "; return;
    case '\r': out += "\\par\r\n"; return;
    case '\\': out += "\\\\"; return;
    case '{': out += "\\{"; return;
    case '}': out += "\\}"; return;
    default: break;
    }
    if (c >= 128) {
        // Beyond the 8-bit range the character itself, with a question
        // mark for readers that do not know it.
        if (c > 0xFF) {
            out += "\\u";
            WriteRtfInt(out, static_cast<int16_t>(c));
            out += '?';
            return;
        }
        out += "\\'";
        WriteRtfHexByte(out, static_cast<uint8_t>(c));
        return;
    }
    out += static_cast<char>(c);
}

void WriteRtfWideText(QByteArray& out, const char16_t* text, int64_t length)
{
    for (int64_t i = 0; text && i < length; ++i)
        WriteRtfChar(out, text[i]);
}

void WriteRtfHexByte(QByteArray& out, uint8_t b)
{
    static const char kDigits[] = "0123456789abcdef";
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
}

void WriteRtfInt(QByteArray& out, int64_t n)
{
    out += QByteArray::number(static_cast<qlonglong>(n));
}

QByteArray PngOfImage(const QImage& image, bool whiteTransparent)
{
    if (image.isNull())
        return {};
    QImage source = image;
    if (whiteTransparent) {
        source = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x) {
                if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                    row[x] = 0;
            }
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !source.save(&buffer, "PNG"))
        return {};
    return png;
}

void WriteRtfPicture(QByteArray& out, const QImage& picture)
{
    const QByteArray png = PngOfImage(picture, false);
    if (png.isEmpty())
        return;
    out += "{\\pict\\pngblip\\picw";
    WriteRtfInt(out, picture.width());
    out += "\\pich";
    WriteRtfInt(out, picture.height());
    out += ' ';
    out.reserve(out.size() + 2 * png.size() + 1);
    for (char b : png)
        WriteRtfHexByte(out, static_cast<uint8_t>(b));
    out += '}';
}

QImage WebPageEquationImage(DocState* doc, int32_t line)
{
    return RenderLinePicture(doc, line, 0);
}

QImage WriteLineImage(DocState* doc, int32_t line)
{
    return WebPageEquationImage(doc, line);
}

QImage WebPageLineImage(EditorState* state)
{
    return RenderFormulaPicture(state);
}

QImage WebPageGraphImage(CGraphView* graphView, int which)
{
    if (!graphView)
        return QImage();
    PictureHandle picture = graphView->MakeDIB(which);
    QImage image = PictureToImage(picture);
    FreeGlobalHandle(picture);
    return image;
}

void AddRtfFont(const std::string& face, RtfFontMap& fonts, uint8_t charset)
{
    const int32_t index = static_cast<int32_t>(fonts.size());
    fonts.emplace(face, RtfFont{index, charset});
}

void CollectRtfFonts(const QTextDocument& box, RtfFontMap& fonts)
{
    std::string previous;
    bool first = true;
    ForEachCharacter(box, [&](char16_t, const QTextCharFormat& format) {
        const std::string face = StyleOf(format, box).face;
        if (first || face != previous)
            AddRtfFont(face, fonts, 0);
        first = false;
        previous = face;
    });
}

void WriteRtfTextRuns(QByteArray& out, const QTextDocument& box, const RtfFontMap& fonts)
{
    RunStyle current;
    ForEachCharacter(box, [&](char16_t c, const QTextCharFormat& format) {
        const RunStyle s = StyleOf(format, box);
        if (s.face != current.face) {
            const auto it = fonts.find(s.face);
            out += "\\f";
            WriteRtfInt(out, it != fonts.end() ? it->second.index : 0);
            out += ' ';
        }
        if (s.size != current.size) {
            out += "\\fs";
            WriteRtfInt(out, s.size);
            out += ' ';
        }
        if (s.bold != current.bold)
            out += s.bold ? "\\b " : "\\b0 ";
        if (s.italic != current.italic)
            out += s.italic ? "\\i " : "\\i0 ";
        if (s.underline != current.underline)
            out += s.underline ? "\\ul " : "\\ul0 ";
        WriteRtfChar(out, c);
        current = s;
    });
}

void WriteRtfTable(QByteArray& out, DocState* doc, int32_t line)
{
    const DocLine* table = &doc->Lines[line];
    const int32_t columns = GetTableColumnCount(table);
    for (int32_t c = 0; c < columns; ++c) {
        const char16_t* header = nullptr;
        if (EditorState* formula = GetTableColumnHeader(table, c, &header))
            WriteRtfPicture(out, WebPageLineImage(formula));
        else if (header)
            WriteRtfWideText(out, header, std::char_traits<char16_t>::length(header));
        WriteRtfChar(out, '\t');
    }
    WriteRtfChar(out, '\r');
    // The rows as the clipboard has them: UTF-8 cells between plain tabs.
    const int32_t rows = GetTableRowCount(table);
    for (int32_t r = 1; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            if (c > 0)
                out += '\t';
            if (const char16_t* cell = GetTableCellText(table, r, c))
                out += QString::fromUtf16(cell).toUtf8();
        }
        WriteRtfChar(out, '\r');
    }
    WriteRtfChar(out, '\r');
}

QByteArray DocumentRtfText(DocState* doc, CGraphView* graphView)
{
    RtfFontMap fonts;
    for (int32_t i = 0; i < doc->Lines.count; ++i) {
        if (doc->Lines[i].kind == DocLineText && doc->Lines[i].textBox)
            CollectRtfFonts(*doc->Lines[i].textBox->document(), fonts);
    }
    QByteArray out = "{\\rtf1\\ansi{\\fonttbl";
    std::vector<const std::pair<const std::string, RtfFont>*> byIndex(fonts.size());
    for (const auto& entry : fonts)
        byIndex[entry.second.index] = &entry;
    for (const auto* entry : byIndex) {
        out += "{\\f";
        WriteRtfInt(out, entry->second.index);
        out += "\\fcharset";
        WriteRtfInt(out, entry->second.charset);
        out += "\\fnil ";
        out += QByteArray::fromStdString(entry->first);
        out += ";}";
    }
    out += "}{\\colortbl \\red0\\green0\\blue0;}";
    for (int32_t i = 0; i < doc->Lines.count; ++i) {
        out += "{\\pard\\plain\\sb40\\sa120 ";
        switch (doc->Lines[i].kind) {
        case DocLineEquation: WriteRtfPicture(out, WriteLineImage(doc, i)); break;
        case DocLineText:
            if (doc->Lines[i].textBox)
                WriteRtfTextRuns(out, *doc->Lines[i].textBox->document(), fonts);
            break;
        case DocLineTable: WriteRtfTable(out, doc, i); break;
        default: break;
        }
        out += "\\par}\r\n";
    }
    if (doc->IsGraphPaneShown()) {
        out += "{\\pard\\plain\\qc\\sb40\\sa120 ";
        WriteRtfPicture(out, WebPageGraphImage(graphView, 2));
        out += "\\par}\r\n";
    }
    out += '}';
    return out;
}

bool WriteDocumentRtf(DocState* doc, CGraphView* graphView, const QString& path)
{
    const QByteArray text = DocumentRtfText(doc, graphView);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}
