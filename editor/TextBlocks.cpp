// Text boxes: made for the pane and the reader, formatted at their
// selection, measured, and given to the document through its hooks.
#include "editor/TextBlocks.h"

#include "document/DataTable.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentHooks.h"
#include "document/DocumentParseContext.h"
#include "editor/COndrelView.h"
#include "editor/COurEdit.h"
#include "editor/EquationViewServices.h"
#include "editor/TextBlockFormats.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The upper half of the Macintosh Roman code page.
constexpr char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

QString FromMacRoman(const char* bytes, int32_t length)
{
    QString text;
    text.reserve(length);
    for (int32_t i = 0; i < length; ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        text += QChar(b < 128 ? char16_t(b) : kMacRoman[b - 128]);
    }
    return text;
}

// Text a box takes: no NUL, and no paragraph or object marks of the text
// document, which a file could otherwise smuggle in as characters.
QString CleanBoxText(QString text)
{
    text.remove(QChar(0));
    text.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    text.replace(QChar::ObjectReplacementCharacter, QChar::ReplacementCharacter);
    text.replace(QChar(0xFDD0), QChar::ReplacementCharacter);
    text.replace(QChar(0xFDD1), QChar::ReplacementCharacter);
    return text;
}

void MergeFormat(COurEdit* box, const QTextCharFormat& format)
{
    box->mergeCurrentCharFormat(format);
}

QTextCharFormat FullFormat(const QString& face, int32_t pixels)
{
    QTextCharFormat format = PixelSizeFormat(pixels);
    format.setFontFamilies(QStringList{face});
    return format;
}

// The format at the end of a box's text.
QTextCharFormat EndFormat(const COurEdit* box)
{
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    return cursor.charFormat();
}

// The box fills its format into every format property the writer reads, so
// that what it shows and what is written agree.
void SetBoxFormat(COurEdit* box, const QString& face, int32_t pixels, const QTextCharFormat* copy)
{
    QFont font(face);
    font.setPixelSize(std::max(1, pixels));
    box->document()->setDefaultFont(font);
    QTextCharFormat format = FullFormat(face, pixels);
    if (copy) {
        format.setFontFamilies(QStringList{EffectiveFace(*copy, font)});
        format.setProperty(QTextFormat::FontPixelSize, EffectivePixelSize(*copy, font));
        format.setFontWeight(copy->fontWeight());
        format.setFontItalic(copy->fontItalic());
        format.setFontUnderline(copy->fontUnderline());
        format.setFontStrikeOut(copy->fontStrikeOut());
    }
    box->selectAll();
    box->setCurrentCharFormat(format);
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->setCurrentCharFormat(format);
    box->requestedHeight = 5;
}

COurEdit* BoxOfLine(DocState* doc, int32_t index)
{
    if (index < 0 || index >= doc->Lines.count || doc->Lines[index].kind != DocLineText)
        return nullptr;
    return doc->Lines[index].textBox;
}

// A box goes with its line; one still inside its own event handler goes
// once that handler has returned.
void DestroyTextBox(COurEdit* box)
{
    if (!box)
        return;
    box->hide();
    if (box->property("handlingEvent").toBool())
        box->deleteLater();
    else
        delete box;
}

void MergeNextTextBlock(DocState* doc)
{
    COurEdit* box = BoxOfLine(doc, doc->currentLine);
    COurEdit* next = BoxOfLine(doc, doc->currentLine + 1);
    if (!box || !next)
        return;
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertFragment(QTextDocumentFragment(next->document()));
    doc->Lines[doc->currentLine + 1].textBox = nullptr;
    DestroyTextBox(next);
    box->setFocus();
    InvalidateEquationLayout();
}

void ShowAndSelectTextBox(COurEdit* box)
{
    box->show();
    box->selectAll();
    box->setFocus();
    UpdateEquationCaret();
}

}  // namespace

COurEdit* NewTextBox()
{
    auto* box = new COurEdit(GetEquationView());
    box->hide();
    return box;
}

COurEdit* CreateTextBox(DocState* doc, bool copyFormat)
{
    COurEdit* box = NewTextBox();
    const bool table = doc->IsEditingTable();
    QString face = table ? QStringLiteral("Times New Roman") : QString::fromUtf8(doc->FontName);
    int32_t pixels = doc->FontSizes;
    // A cell's box takes the table's own size.
    if (table && doc->currentLine >= 0 && doc->currentLine < doc->Lines.count)
        pixels = GetTableFontSize(&doc->Lines[doc->currentLine]);
    QTextCharFormat copy;
    bool copied = false;
    if (copyFormat) {
        for (int32_t i = std::min(doc->currentLine, doc->Lines.count - 1); i >= 0 && !copied; --i) {
            if (COurEdit* above = BoxOfLine(doc, i)) {
                copy = EndFormat(above);
                copied = true;
            }
        }
    }
    SetBoxFormat(box, face, pixels, copied ? &copy : nullptr);
    return box;
}

int32_t FindTextBlockLine(const COurEdit* box)
{
    DocState* doc = GetDocState();
    for (int32_t i = 0; box && i < doc->Lines.count; ++i) {
        if (doc->Lines[i].kind == DocLineText && doc->Lines[i].textBox == box)
            return i;
    }
    return -1;
}

COurEdit* CurrentTextBox()
{
    DocState* doc = GetDocState();
    if (doc->EditMode != EditTextOrCell || doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        return nullptr;
    return qobject_cast<COurEdit*>(doc->CurrentEditWindow());
}

void ReplaceTextBoxSelection(const char* bytes, int32_t length, bool utf8, COurEdit* box)
{
    if (!box || !bytes || length <= 0)
        return;
    QString text = utf8 ? QString::fromUtf8(bytes, length) : FromMacRoman(bytes, length);
    QTextCursor cursor = box->textCursor();
    cursor.insertText(CleanBoxText(text), box->currentCharFormat());
    box->setTextCursor(cursor);
}

void SetTextBoxSelectionFace(const char* face, COurEdit* box)
{
    if (!box || !face || !*face)
        return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{QString::fromUtf8(face)});
    MergeFormat(box, format);
}

void SetTextBoxSelectionSize(int32_t pixels, COurEdit* box)
{
    if (box)
        MergeFormat(box, PixelSizeFormat(std::clamp(pixels, kSmallestTextSize, kLargestTextSize)));
}

void SetTextBoxEffect(int32_t mask, int32_t effects, COurEdit* box)
{
    if (!box)
        return;
    QTextCharFormat format;
    if (mask & TextBold)
        format.setFontWeight(effects & TextBold ? QFont::Bold : QFont::Normal);
    if (mask & TextItalic)
        format.setFontItalic(effects & TextItalic);
    if (mask & TextUnderline)
        format.setFontUnderline(effects & TextUnderline);
    MergeFormat(box, format);
}

void SetTextBoxBold(COurEdit* box, bool on) { SetTextBoxEffect(TextBold, on ? TextBold : 0, box); }
void SetTextBoxItalic(COurEdit* box, bool on) { SetTextBoxEffect(TextItalic, on ? TextItalic : 0, box); }
void SetTextBoxUnderline(COurEdit* box, bool on) { SetTextBoxEffect(TextUnderline, on ? TextUnderline : 0, box); }

TextSelectionFormat GetSelectionFormat(const COurEdit* box)
{
    TextSelectionFormat result;
    if (!box)
        return result;
    const QFont base = box->document()->defaultFont();
    QTextCursor selection = box->textCursor();
    auto take = [&](const QTextCharFormat& format, bool first) {
        QString face = EffectiveFace(format, base);
        int32_t pixels = EffectivePixelSize(format, base);
        int32_t effects = EffectsOf(format);
        if (first) {
            result = {face, pixels, effects, ~effects & 7};
            return;
        }
        if (face != result.face)
            result.face.clear();
        if (pixels != result.pixels)
            result.pixels = 0;
        result.effectsOn &= effects;
        result.effectsOff &= ~effects;
    };
    if (!selection.hasSelection()) {
        take(box->currentCharFormat(), true);
        return result;
    }
    // Every fragment that overlaps the selection counts.
    const int start = selection.selectionStart(), end = selection.selectionEnd();
    bool first = true;
    for (QTextBlock block = box->document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            take(fragment.charFormat(), first);
            first = false;
        }
    }
    if (first)
        take(box->currentCharFormat(), true);
    return result;
}

QString GetSelectionFaceName(const COurEdit* box)
{
    return GetSelectionFormat(box).face;
}

void SetParagraphAlignment(COurEdit* box, int32_t alignment)
{
    if (!box)
        return;
    static const Qt::Alignment kAlignments[4] = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    box->setAlignment(kAlignments[std::clamp(alignment, 0, 3)]);
}

int32_t RequestHeight(COurEdit* box)
{
    if (!box)
        return 1;
    QTextDocument* text = box->document();
    // The box's own width: a hidden box's viewport follows only once shown.
    int32_t frame = 2 * box->frameWidth();
    text->setTextWidth(std::max(1, box->width() - frame));
    box->requestedHeight = static_cast<int32_t>(std::ceil(text->size().height())) + frame + 5;
    return box->requestedHeight;
}

void RelayoutAfterHeightChange(COurEdit* box, int32_t before)
{
    if (RequestHeight(box) == before)
        return;
    DocState* doc = GetDocState();
    if (GetDocumentHooks().postGraphPaneResize)
        GetDocumentHooks().postGraphPaneResize(doc);
    InvalidateEquationLayout();
    InvalidateEquationPane();
}

char* GetClipboardText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return nullptr;
    QByteArray bytes = data->text().toUtf8();
    char* text = static_cast<char*>(BudgetMalloc(static_cast<uint32_t>(bytes.size()) + 1, false));
    if (!text)
        return nullptr;
    std::memcpy(text, bytes.constData(), static_cast<size_t>(bytes.size()));
    text[bytes.size()] = 0;
    return text;
}

QStringList TextMenuFaces()
{
    QStringList faces;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isSmoothlyScalable(family) && !QFontDatabase::isPrivateFamily(family))
            faces << family;
    }
    faces << QStringLiteral("System");
    faces.removeDuplicates();
    std::sort(faces.begin(), faces.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return faces;
}

void RegisterTextBlockHooks()
{
    DocumentFileHooks& file = GetDocumentFileHooks();
    file.createTextBox = [](DocState*, const char* face, int32_t pixels) {
        COurEdit* box = NewTextBox();
        SetBoxFormat(box, QString::fromUtf8(face), pixels, nullptr);
        return box;
    };
    file.replaceTextBoxSelection = [](COurEdit* box, const char* bytes, int32_t length, bool utf8) {
        ReplaceTextBoxSelection(bytes, length, utf8, box);
    };
    file.insertTextBoxChar = [](COurEdit* box, char byte) { ReplaceTextBoxSelection(&byte, 1, true, box); };
    file.insertTextBoxLineBreak = [](COurEdit* box) {
        QTextCursor cursor = box->textCursor();
        cursor.insertBlock();
        box->setTextCursor(cursor);
    };
    file.setTextBoxEffect = [](COurEdit* box, int32_t effect, bool on) {
        int32_t bit = 1 << std::clamp(effect, 0, 2);
        SetTextBoxEffect(bit, on ? bit : 0, box);
    };
    file.setTextBoxSelectionFace = [](COurEdit* box, const char* face) { SetTextBoxSelectionFace(face, box); };
    file.setTextBoxSelectionSize = [](COurEdit* box, int32_t pixels) { SetTextBoxSelectionSize(pixels, box); };
    file.writeTextBoxMarkup = &WriteTextBoxMarkup;
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.destroyTextBox = &DestroyTextBox;
    hooks.textBoxWindow = [](COurEdit* box) -> WindowHandle { return box; };
    hooks.mergeNextTextBlock = &MergeNextTextBlock;
    hooks.showAndSelectTextBox = &ShowAndSelectTextBox;
}
