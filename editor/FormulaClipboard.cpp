#include "editor/FormulaClipboard.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "drawing/DrawingPort.h"
#include "drawing/OffscreenSurface.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/FormulaScrap.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/LinearFormulaText.h"
#include "platform/PortDC.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cmath>
#include <cstring>
#include <memory>

const char* const kFormulaMimeType = "application/x-OndrelFormat1";

namespace {

constexpr int32_t kCopyCommand = 8705;
constexpr int32_t kPasteCommand = 8706;
// A picture's sides fit 16 bits.
constexpr float kLargestPictureSide = 32767;

QClipboard* Clipboard()
{
    return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
}

void RunOn(EditorState* state, int32_t code)
{
    RunEditorCommand(code, 0, state, state->window);
}

// A copy of what is selected: the run for a run, else the current subtree.
FormulaNode* CopyOfSelection(EditorState* state)
{
    CurrentEditorStateScope scope(state);
    if (state->mode == SelectionRun)
        return CopySelectedRange();
    return CopyTreeForEdit(state->current);
}

// Lays the tree out as the formula of a state of its own and draws it.
QImage DrawTree(FormulaNode* tree, EditorState* like, float wrapWidth)
{
    if (!tree)
        return QImage();
    EditorState picture;
    picture.root = picture.current = tree;
    picture.document = like->document;
    picture.window = like->window;
    picture.wrapWidth = wrapWidth;
    QImage image;
    {
        CurrentEditorStateScope scope(&picture);
        PrepareTypesetting(picture.window, picture.document);
        InvalidateFormulaLayout();
        RelayoutFormula();
        float width = std::ceil(GetFormulaWidth());
        float height = std::ceil(GetFormulaHeight());
        if (width >= 1 && height >= 1 && width <= kLargestPictureSide && height <= kLargestPictureSide) {
            image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
            image.fill(Qt::white);
            std::unique_ptr<PortDC> dc(
                PortDC::NewForPixels(image.bits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine())));
            if (dc) {
                dc->SetTextColor(0);
                dc->SetBackgroundMode(BackgroundMode::Transparent);
                SetFormulaOrigin(0, 0);
                DrawFormula(tree, dc.get());
            }
        }
    }
    if (like->window || like == GetCurrentEditorState())
        PrepareTypesetting(like->window, like->document);
    FreeTree(tree);
    picture.root = picture.current = nullptr;
    return image;
}

}  // namespace

QByteArray FormulaScrapText(bool bracket)
{
    if (!FormulaScrap)
        return QByteArray();
    char* text = FormulaToText(FormulaScrap, bracket);
    if (!text)
        return QByteArray();
    QByteArray bytes(text);
    BudgetFree(text);
    return bytes;
}

bool FormulaScrapFromText(const QByteArray& bytes)
{
    if (bytes.size() > kLongestClipboardFormula)
        return false;
    // The private format ends at its NUL; whatever follows is not read.
    qsizetype end = bytes.indexOf('\0');
    QByteArray text = end < 0 ? bytes : bytes.left(end);
    if (text.trimmed().isEmpty())
        return false;
    FormulaNode* tree = ParseFormulaBuffer(text.constData(), static_cast<size_t>(text.size()));
    if (!tree)
        return false;
    SetFormulaScrap(tree);
    return true;
}

bool FormulaScrapFromMimeData(const QMimeData* data)
{
    if (!data)
        return false;
    if (data->hasFormat(kFormulaMimeType))
        return FormulaScrapFromText(data->data(kFormulaMimeType));
    if (data->hasText())
        return FormulaScrapFromText(data->text().toUtf8());
    return false;
}

QImage RenderSelectionPicture(EditorState* state, int wrapWidth)
{
    if (!state || !state->current)
        return QImage();
    return DrawTree(CopyOfSelection(state), state, wrapWidth > 0 ? static_cast<float>(wrapWidth) : kNoWrapWidth);
}

QImage RenderFormulaPicture(EditorState* state)
{
    if (!state || !state->root)
        return QImage();
    return DrawTree(CopyTreeForEdit(state->root), state, kNoWrapWidth);
}

QImage RenderLinePicture(DocState* doc, int32_t index, int wrapWidth)
{
    if (!doc || index < 0 || index >= doc->Lines.count || !doc->Lines[index].formula)
        return QImage();
    EditorState* state = doc->Lines[index].formula;
    const QImage formula =
        DrawTree(CopyTreeForEdit(state->root), state, wrapWidth > 0 ? static_cast<float>(wrapWidth) : kNoWrapWidth);
    if (formula.isNull())
        return formula;
    constexpr int kMargin = 40;
    ShortRect bounds;
    SetShortRect(bounds, 0, 0, formula.height(), formula.width() + kMargin);
    OffscreenSurface* surface = NewOffscreenSurface(bounds);
    if (!surface)
        return QImage();
    QImage image;
    if (LockSurfacePixels(surface)) {
        QImage pixels(GetSurfaceBaseAddress(surface), formula.width() + kMargin, formula.height(),
                      GetSurfaceRowBytes(surface), QImage::Format_RGB32);
        pixels.fill(Qt::white);
        {
            // The swatch stands where the pane draws it, measured from the
            // picture's left edge instead of the pane's.
            PortSaver port(surface);
            const ShortRect pane = doc->equationPaneRect;
            doc->equationPaneRect.left = 0;
            doc->DrawLineSwatch(index, true);
            doc->equationPaneRect = pane;
        }
        for (int y = 0; y < formula.height(); ++y)
            std::memcpy(pixels.scanLine(y) + 4 * kMargin, formula.constScanLine(y), 4 * static_cast<size_t>(formula.width()));
        image = pixels.copy();
        UnlockSurface(surface);
    }
    DisposeOffscreenSurface(surface);
    return image;
}

bool CopyFormulaToClipboard(EditorState* state)
{
    QClipboard* clipboard = Clipboard();
    if (!clipboard || !state || !state->current)
        return false;
    RunOn(state, kCopyCommand);
    QByteArray text = FormulaScrapText(true);
    if (text.isEmpty())
        return false;
    auto* data = new QMimeData;
    // NUL-terminated, as other readers of the format expect.
    data->setData(kFormulaMimeType, text + '\0');
    PutFormulaPictureOnClipboard(state, data);
    clipboard->setMimeData(data);
    return true;
}

bool CopyFormulaAsText(EditorState* state)
{
    QClipboard* clipboard = Clipboard();
    if (!clipboard || !state || !state->current)
        return false;
    RunOn(state, kCopyCommand);
    QByteArray text = FormulaScrapText(false);
    if (text.isEmpty())
        return false;
    PutTextOnClipboard(text);
    return true;
}

void PutTextOnClipboard(const QByteArray& text)
{
    if (QClipboard* clipboard = Clipboard())
        clipboard->setText(QString::fromUtf8(text));
}

void PutFormulaPictureOnClipboard(EditorState* state, QMimeData* data)
{
    QImage picture = RenderSelectionPicture(state, 0);
    if (!picture.isNull())
        data->setImageData(picture);
}

bool PasteFormulaFromClipboard(EditorState* state)
{
    QClipboard* clipboard = Clipboard();
    if (!clipboard || !state || !state->current)
        return false;
    const QMimeData* data = clipboard->mimeData();
    if (!data || (!data->hasFormat(kFormulaMimeType) && !data->hasText()))
        return false;
    // Text that is no formula leaves the scrap as it was, which is pasted.
    FormulaScrapFromMimeData(data);
    RunOn(state, kPasteCommand);
    return true;
}

bool ClipboardCanPaste()
{
    QClipboard* clipboard = Clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && (data->hasFormat(kFormulaMimeType) || data->hasText());
}

bool ClipboardHasTableText()
{
    QClipboard* clipboard = Clipboard();
    if (!clipboard)
        return false;
    QString text = clipboard->text();
    return text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r');
}
