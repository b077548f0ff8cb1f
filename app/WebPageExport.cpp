#include "app/WebPageExport.h"

#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/RtfExport.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentWriter.h"
#include "editor/COurEdit.h"
#include "editor/TextBlockFormats.h"
#include "formula/EditorState.h"
#include "formula/LinearFormulaText.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>

#include <string>

namespace {

QByteArray Crlf(const char* text)
{
    return QByteArray(text) + "\r\n";
}

QByteArray LinearText(EditorState* state)
{
    if (!state || !state->root)
        return {};
    char* text = FormulaToText(state->root, false);
    QByteArray bytes(text ? text : "");
    BudgetFree(text);
    return bytes;
}

// The maker's address in the closing paragraph.
constexpr char kMakerAddress[] = "https://www.kestrane.com/";

}  // namespace

bool Utf8SequenceLength(uint8_t lead, int32_t* length)
{
    *length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                               : lead >= 0xF0 && lead <= 0xF4                      ? 4
                                                                                                   : 1;
    return lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4);
}

int32_t HtmlFontSize(int32_t points)
{
    static const int32_t kFrom[] = {11, 13, 16, 22, 30, 40};
    int32_t size = 1;
    for (int32_t from : kFrom)
        size += points >= from ? 1 : 0;
    return size;
}

QByteArray HtmlEscape(const QByteArray& text)
{
    QByteArray out;
    for (char c : text) {
        switch (c) {
        case '\r': out += "<br />"; break;
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c; break;
        }
    }
    return out;
}

void WriteHtmlText(QByteArray& out, const QByteArray& bytes)
{
    out += HtmlEscape(bytes);
}

void WriteHtmlWideText(QByteArray& out, const char16_t* text, int64_t length)
{
    if (text)
        WriteHtmlText(out, QString::fromUtf16(text, static_cast<qsizetype>(length)).toUtf8());
}

bool WriteHtmlImage(QByteArray& out, const QImage& picture, const QString& name, const QByteArray& altText,
                    const QByteArray& formulaText, const QByteArray& title, bool whiteTransparent,
                    const WebPageWriter& writer)
{
    const QByteArray png = PngOfImage(picture, whiteTransparent);
    if (png.isEmpty() || !writer(name, png))
        return false;
    out += "<img src=\"" + name.toUtf8() + "\" width=\"" + QByteArray::number(picture.width()) + "\" height=\"" +
           QByteArray::number(picture.height()) + "\"";
    if (formulaText.isEmpty() && altText.isEmpty())
        out += " border=\"1\"";
    if (!altText.isEmpty() || !formulaText.isEmpty()) {
        out += " alt=\"";
        // The alt text sits inside quotes: a quote of the formula's text must
        // not end it.
        QByteArray alt = formulaText.isEmpty() ? altText : formulaText;
        WriteHtmlText(out, alt.replace('"', "&quot;"));
        out += '"';
    }
    if (!title.isEmpty())
        out += " title=\"" + title + "\"";
    out += " />";
    return true;
}

void WriteHtmlTextBlock(QByteArray& out, const QTextDocument& box)
{
    out += "<p align=\"left\">";
    struct Run {
        QByteArray face;
        int32_t size = 0;
        bool bold = false, italic = false, underline = false;
        QByteArray text;
    } run;
    auto flush = [&] {
        if (!run.face.isEmpty()) {
            out += "<font face=\"" + run.face + "\" size=\"" + QByteArray::number(run.size) + "\">";
            out += run.bold ? "<b>" : "";
            out += run.italic ? "<i>" : "";
            out += run.underline ? "<u>" : "";
            WriteHtmlText(out, run.text);
            out += run.underline ? "</u>" : "";
            out += run.italic ? "</i>" : "";
            out += run.bold ? "</b>" : "";
            out += "</font>";
        }
        run.text.clear();
    };
    for (QTextBlock block = box.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            const QByteArray face = EffectiveFace(f, box.defaultFont()).toUtf8();
            // Whole points of text sized in pixels of 1/96 inch.
            const int32_t size = HtmlFontSize(EffectivePixelSize(f, box.defaultFont()) * 3 / 4);
            const bool bold = f.fontWeight() >= QFont::DemiBold;
            if (face != run.face || size != run.size || bold != run.bold || f.fontItalic() != run.italic ||
                f.fontUnderline() != run.underline) {
                flush();
                run.face = face;
                run.size = size;
                run.bold = bold;
                run.italic = f.fontItalic();
                run.underline = f.fontUnderline();
            }
            run.text += fragment.text().toUtf8();
        }
        if (block.next().isValid())
            run.text += '\r';
    }
    flush();
    out += Crlf("</p>");
}

bool WriteWebPageHtml(DocState* doc, CGraphView* graphView, const QString& title, const WebPageWriter& writer)
{
    QByteArray out;
    out += Crlf("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">");
    out += Crlf("<html xmlns=\"http://www.w3.org/1999/xhtml\">");
    out += Crlf("<head>");
    out += Crlf("<meta name=\"GENERATOR\" content=\"Vellumor\" />");
    out += Crlf("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />");
    // At most 255 bytes of the title, cut between characters.
    QString shortTitle = title;
    while (shortTitle.toUtf8().size() > 255)
        shortTitle.chop(1);
    out += "<title>" + HtmlEscape(shortTitle.toUtf8()) + "</title>";
    out += Crlf("");
    out += Crlf("</head>");
    out += Crlf("");
    out += "<body bgcolor=\"#FFFFFF\">";
    out += Crlf("");
    for (int32_t i = 0; i < doc->Lines.count; ++i) {
        DocLine& line = doc->Lines[i];
        switch (line.kind) {
        case DocLineEquation:
            out += "<p align=\"left\">";
            if (!WriteHtmlImage(out, WebPageEquationImage(doc, i), QStringLiteral("formula%1.png").arg(i + 1), {},
                                LinearText(line.formula), {}, true, writer))
                return false;
            out += Crlf("</p>");
            break;
        case DocLineText:
            if (line.textBox)
                WriteHtmlTextBlock(out, *line.textBox->document());
            break;
        case DocLineTable: {
            out += Crlf("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
            out += "<tr>";
            const int32_t columns = GetTableColumnCount(&line);
            for (int32_t c = 0; c < columns; ++c) {
                out += "<th>";
                const char16_t* header = nullptr;
                if (EditorState* formula = GetTableColumnHeader(&line, c, &header)) {
                    if (!WriteHtmlImage(out, WebPageLineImage(formula), QStringLiteral("table%1formula%2.png").arg(i + 1).arg(c),
                                        {}, LinearText(formula), {}, true, writer))
                        return false;
                } else if (header) {
                    WriteHtmlWideText(out, header, std::char_traits<char16_t>::length(header));
                }
                out += "</th>";
            }
            out += Crlf("</tr>");
            for (int32_t r = 1; r < GetTableRowCount(&line); ++r) {
                out += "<tr>";
                for (int32_t c = 0; c < columns; ++c) {
                    out += "<td>";
                    if (const char16_t* cell = GetTableCellText(&line, r, c))
                        WriteHtmlWideText(out, cell, std::char_traits<char16_t>::length(cell));
                    out += "</td>";
                }
                out += Crlf("</tr>");
            }
            out += Crlf("</table>");
            break;
        }
        default: break;
        }
    }
    int32_t length = 0;
    char* text = WriteDocumentText(doc, &length);
    const bool written = text && writer(QStringLiteral("graph.vlf"), QByteArray(text, length));
    BudgetFree(text);
    if (!written)
        return false;
    if (doc->IsGraphPaneShown()) {
        out += Crlf("<hr />");
        out += Crlf("<p align=\"center\">");
        out += "<a href=\"graph.vlf\" type=\"application/x-vellumor\">";
        if (!WriteHtmlImage(out, WebPageGraphImage(graphView, 2), QStringLiteral("graph.png"), "Graph of the formula",
                            {}, "Click this graph to open a live version in Vellumor", false, writer))
            return false;
        out += Crlf("</a>");
        out += Crlf("</p>");
    }
    out += "<p align=\"center\">This file was created by Vellumor 4.0.<br />Visit <a href=\"";
    out += kMakerAddress;
    out += "\">Kestrane</a> to download the helper application to view and edit <a href=\"graph.vlf\" "
           "type=\"application/x-vellumor\">these equations</a> live.</p>";
    out += Crlf("");
    out += Crlf("</body>");
    out += "</html>";
    return writer(QStringLiteral("index.html"), out) &&
           writer(QStringLiteral(".htaccess"), "AddType application/x-vellumor vlf\n");
}

bool WebPageFileWriter(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QSaveFile file(QDir(folder).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool WriteWebPage(DocState* doc, CGraphView* graphView, const QString& title, const QString& folder)
{
    return WriteWebPageHtml(doc, graphView, title, [&](const QString& name, const QByteArray& bytes) {
        return WebPageFileWriter(folder, name, bytes);
    });
}

void SaveAsWebPage()
{
    COndrelApp* app = GetApp();
    if (!app || !app->Document())
        return;
    const QString folder = ChooseDocumentFile(true, QStringLiteral("All Files (*)"), QStringLiteral("Untitled"));
    if (folder.isEmpty())
        return;
    // The page never mixes with what a folder of that name already holds.
    if (QFileInfo::exists(folder)) {
        ShowMessageBox(QStringLiteral("%1 already exists. Choose a new name for the web page's folder.")
                           .arg(QDir::toNativeSeparators(folder))
                           .toStdU16String(),
                       u"Vellumor", MessageBoxIcon::Warning);
        return;
    }
    if (!QDir().mkdir(folder))
        return;
    const QString title = app->MainFrame() ? app->MainFrame()->windowTitle().remove(QStringLiteral("[*]")) : QString();
    if (!WriteWebPage(GetDocState(), app->Document()->graphView, title, folder))
        ShowMessageBox(QStringLiteral("File could not be saved: %1").arg(QDir::toNativeSeparators(folder)).toStdU16String(),
                       u"Vellumor", MessageBoxIcon::Error);
}
