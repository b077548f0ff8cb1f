#include "editor/COurEdit.h"

#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "editor/COndrelView.h"
#include "editor/EditorKeyEvents.h"
#include "editor/EquationViewServices.h"
#include "editor/TableEditing.h"
#include "editor/TextBlockFormats.h"
#include "editor/TextBlocks.h"
#include "formula/EditorState.h"
#include "platform/NumberText.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <vector>

namespace {

constexpr uint32_t kBackspace = 8;
constexpr uint32_t kTab = 9;
constexpr uint32_t kReturn = 13;
constexpr uint32_t kUpKey = 30;
constexpr uint32_t kDownKey = 31;

// While a box handles an event, freeing its line only schedules its end.
class HandlingEvent {
public:
    explicit HandlingEvent(QObject* box) : box_(box) { box_->setProperty("handlingEvent", true); }
    ~HandlingEvent() { box_->setProperty("handlingEvent", false); }

private:
    QObject* box_;
};

uint32_t Modifiers(const QKeyEvent* event)
{
    return (event->modifiers() & Qt::ControlModifier ? 1u : 0u) | (event->modifiers() & Qt::ShiftModifier ? 2u : 0u);
}

bool InComputedCell(DocState* doc)
{
    return doc->IsEditingTable() && doc->IsOnTableFormulaColumn();
}

void ToDocument(uint32_t ch, uint32_t flags)
{
    DocState* doc = GetDocState();
    if (COndrelView* view = GetEquationView())
        view->HandleEditorKeyPress(ch, 0, flags);
    else
        doc->OnKeyDown(ch, 0, flags, nullptr);
}

bool IsCtrl(const QKeyEvent* event, int key)
{
    return event->key() == key && (event->modifiers() & Qt::ControlModifier);
}

// The Text menu's effects by their Ctrl keys, for a text block outside a
// table: Ctrl+Space plain, Ctrl+B, Ctrl+I, Ctrl+U.
struct EffectKey {
    int key;
    int32_t effect;  // 0: plain text
};
constexpr EffectKey kEffectKeys[] = {
    {Qt::Key_Space, 0}, {Qt::Key_B, TextBold}, {Qt::Key_I, TextItalic}, {Qt::Key_U, TextUnderline}};

const EffectKey* FindEffectKey(const QKeyEvent* event)
{
    if (GetDocState()->IsEditingTable())
        return nullptr;
    for (const EffectKey& entry : kEffectKeys) {
        if (IsCtrl(event, entry.key) && !(event->modifiers() & Qt::ShiftModifier))
            return &entry;
    }
    return nullptr;
}

// Ctrl with these keys belongs to the box even where the menus bind them,
// so that they act however fresh the menus' states are.
bool IsBoxShortcut(const QKeyEvent* event)
{
    static const int kKeys[] = {Qt::Key_Equal, Qt::Key_Minus, Qt::Key_Plus, Qt::Key_Up, Qt::Key_Down};
    for (int key : kKeys) {
        if (IsCtrl(event, key))
            return true;
    }
    return FindEffectKey(event) != nullptr;
}

}  // namespace

COurEdit::COurEdit(QWidget* parent) : QTextEdit(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setAcceptRichText(true);
    setTabChangesFocus(false);
    document()->setDocumentMargin(2);
    // The box grows and shrinks with its text; the pane places the lines
    // below it again.
    connect(document(), &QTextDocument::contentsChanged, this,
            [this] { RelayoutAfterHeightChange(this, requestedHeight); });
}

void COurEdit::paintEvent(QPaintEvent* event)
{
    if (paintLock == 1)
        return;
    QTextEdit::paintEvent(event);
}

void COurEdit::RecordEdit()
{
    DocState* doc = GetDocState();
    doc->undo.kind = UndoTextBox;
    doc->undo.lineIndex = static_cast<int16_t>(doc->currentLine);
    if (GetDocumentHooks().setDocModified)
        GetDocumentHooks().setDocModified(true);
    // In a table the cell's edit is open until it is committed.
    if (doc->tableCellEditor == this)
        doc->cellEditOpen = true;
}

void COurEdit::FollowHeight()
{
    if (RequestHeight(this) != heightBeforeKey) {
        InvalidateEquationLayout();
        InvalidateEquationPane();
    }
}

void COurEdit::keyPressEvent(QKeyEvent* event)
{
    HandlingEvent handling(this);
    heightBeforeKey = requestedHeight;
    DocState* doc = GetDocState();
    const int key = event->key();
    const uint32_t flags = Modifiers(event);
    const bool table = doc->IsEditingTable();
    const bool computed = InComputedCell(doc);
    if (IsCtrl(event, Qt::Key_Equal) || IsCtrl(event, Qt::Key_Plus) || IsCtrl(event, Qt::Key_Minus)) {
        StepTextSize(key == Qt::Key_Minus ? -1 : 1);
        return;
    }
    if (const EffectKey* effect = FindEffectKey(event)) {
        if (effect->effect)
            ToggleTextEffect(effect->effect);
        else
            SetPlainText();
        return;
    }
    if (event->matches(QKeySequence::Undo) && doc->undo.kind != UndoNone && doc->undo.kind != UndoTextBox) {
        // The last edit was the document's, not this box's.
        doc->Undo();
        InvalidateEquationLayout();
        InvalidateEquationPane();
        return;
    }
    if (IsCtrl(event, Qt::Key_Up) || IsCtrl(event, Qt::Key_Down)) {
        ToDocument(key == Qt::Key_Up ? kUpKey : kDownKey, flags);
        return;
    }
    const bool enterOrTab = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab;
    if (table && enterOrTab) {
        ToDocument(key == Qt::Key_Tab ? kTab : kReturn, flags);
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        if (computed)
            return;
        if (document()->isEmpty()) {
            // An empty block or row goes (the document joins its neighbours).
            ToDocument(kBackspace, flags);
            return;
        }
        RecordEdit();
        QTextEdit::keyPressEvent(event);
        FollowHeight();
        ScrollEquationCaretIntoView();
        return;
    }
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        if (COndrelView* view = GetEquationView())
            view->ScrollTo(view->ScrollPosition() + (key == Qt::Key_PageUp ? -view->height() : view->height()));
        RecordEdit();
        if (!computed)
            QTextEdit::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Shift || key == Qt::Key_Control) {
        if (!computed)
            QTextEdit::keyPressEvent(event);
        return;
    }
    RecordEdit();
    if (computed) {
        const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (arrow || IsCtrl(event, Qt::Key_C))
            QTextEdit::keyPressEvent(event);
        return;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint())
        OnChar(event);
    else
        QTextEdit::keyPressEvent(event);
    FollowHeight();
    ScrollEquationCaretIntoView();
}

void COurEdit::OnChar(QKeyEvent* event)
{
    DocState* doc = GetDocState();
    if ((event->modifiers() & Qt::ControlModifier) && (event->modifiers() & Qt::ShiftModifier)) {
        EditorKey key;
        COndrelView* view = GetEquationView();
        if (view && EditorKeyFromEvent(*event, key))
            view->HandleEditorKeyPress(key.ch, key.ch2, key.flags);
        return;
    }
    if (doc->IsEditingTable()) {
        if (InComputedCell(doc))
            return;
        // Header cells name their columns.
        if (doc->currentTableRow == 0) {
            const QString text = event->text();
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (!IsNameChar(text.at(i).unicode(), i == 0 && textCursor().position() == 0))
                    return;
            }
        }
    }
    QTextEdit::keyPressEvent(event);
}

bool COurEdit::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && IsBoxShortcut(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QTextEdit::event(event);
}

void COurEdit::mousePressEvent(QMouseEvent* event)
{
    HandlingEvent handling(this);
    DocState* doc = GetDocState();
    const int32_t line = FindTextBlockLine(this);
    const bool cellBox = doc->tableCellEditor == this;
    if (line < 0 && !cellBox)
        return;
    if (line >= 0 && (doc->currentLine != line || doc->EditMode != EditTextOrCell)) {
        doc->EndEditing();
        doc->currentLine = line;
        doc->EditMode = EditTextOrCell;
        SetCurrentEditorState(nullptr);
        if (GetDocumentHooks().refreshAnimationControls)
            GetDocumentHooks().refreshAnimationControls();
        InvalidateEquationPane();
    }
    QTextEdit::mousePressEvent(event);
    UpdateEquationCaret();
}

void COurEdit::mouseMoveEvent(QMouseEvent* event)
{
    // A drag out of a table cell leaves the text whole and selects rows or
    // columns instead.
    if (GetDocState()->tableCellEditor == this && DragFromCell(this, event)) {
        selectAll();
        return;
    }
    QTextEdit::mouseMoveEvent(event);
}

void COurEdit::wheelEvent(QWheelEvent* event)
{
    if (COndrelView* view = GetEquationView())
        QCoreApplication::sendEvent(view, event);
    else
        QTextEdit::wheelEvent(event);
}

bool COurEdit::canInsertFromMimeData(const QMimeData* source) const
{
    // Text only: pictures belong to equations, not to text blocks.
    return source->hasText() || source->hasHtml();
}

void COurEdit::insertFromMimeData(const QMimeData* source)
{
    if (InComputedCell(GetDocState()) || !canInsertFromMimeData(source))
        return;
    QTextEdit::insertFromMimeData(source);
    OnNormalizePastedText();
    RecordEdit();
}

void COurEdit::OnNormalizePastedText()
{
    const QFont base = document()->defaultFont();
    struct Run {
        int position;
        int length;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat old = fragment.charFormat();
            QTextCharFormat format;
            format.setFontFamilies(QStringList{EffectiveFace(old, base)});
            format.setProperty(QTextFormat::FontPixelSize, EffectivePixelSize(old, base));
            const int32_t effects = EffectsOf(old);
            format.setFontWeight(effects & TextBold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(effects & TextItalic);
            format.setFontUnderline(effects & TextUnderline);
            format.setFontStrikeOut(old.fontStrikeOut());
            runs.push_back({fragment.position(), fragment.length(), format});
        }
    }
    QTextCursor cursor(document());
    cursor.joinPreviousEditBlock();
    for (const Run& run : runs) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
}
